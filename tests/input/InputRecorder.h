// Records the input calls that reach the Mod, one line each ("keydown 17",
// "move 0 -4", "char 233"), for the length of the recorder's life.
#pragma once

#include "game/ModInputSpy.h"

#include <string>
#include <utility>
#include <vector>

class InputRecorder : public ModInputSpy
{
public:
    InputRecorder() { TestSetModInputSpy(this); }
    ~InputRecorder() override { TestSetModInputSpy(nullptr); }

    void KeyDown(int code) override { Add("keydown", code); }
    void KeyUp(int code) override { Add("keyup", code); }
    void MouseMove(int dx, int dy) override { Add("move", dx, std::to_string(dy)); }
    void MouseDown(int button) override { Add("mousedown", button); }
    void MouseUp(int button) override { Add("mouseup", button); }
    void Char(char c) override { Add("char", static_cast<unsigned char>(c)); }

    void Add(const std::string& call, int value, const std::string& more = "")
    {
        calls.push_back(call + " " + std::to_string(value) + (more.empty() ? "" : " " + more));
    }
    // The calls so far, and forgets them.
    std::vector<std::string> Take() { return std::move(calls); }

    std::vector<std::string> calls;
};
