// Records the input calls that reach the Mod, one line each ("keydown 17",
// "move 0 -4", "char 233"), for the length of the recorder's life.
#pragma once

#include "game/ModInputSpy.h"

#include <string>
#include <vector>

class InputRecorder : public ModInputSpy
{
public:
    InputRecorder() { TestSetModInputSpy(this); }
    ~InputRecorder() override { TestSetModInputSpy(nullptr); }
    InputRecorder(const InputRecorder&) = delete;
    InputRecorder& operator=(const InputRecorder&) = delete;

    void KeyDown(int code) override { Add("keydown " + std::to_string(code)); }
    void KeyUp(int code) override { Add("keyup " + std::to_string(code)); }
    void MouseMove(int dx, int dy) override
    {
        Add("move " + std::to_string(dx) + " " + std::to_string(dy));
    }
    void MouseDown(int button) override { Add("mousedown " + std::to_string(button)); }
    void MouseUp(int button) override { Add("mouseup " + std::to_string(button)); }
    void Char(char c) override { Add("char " + std::to_string(static_cast<unsigned char>(c))); }

    void Add(const std::string& call) { calls.push_back(call); }
    // The calls so far, and forgets them.
    std::vector<std::string> Take()
    {
        std::vector<std::string> taken;
        taken.swap(calls);
        return taken;
    }

    std::vector<std::string> calls;
};
