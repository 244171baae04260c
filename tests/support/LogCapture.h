// A log output that keeps every line in memory, added to the Log for the
// lifetime of the capture.
#pragma once

#include "core/Log.h"

#include <sstream>
#include <string>
#include <vector>

class MemoryLogOutput : public LogOutput
{
public:
    void Open() override { opened = true; }
    void Close() override { opened = false; }
    void Write(const char* text) override { buffer += text; }

    std::string buffer;
    bool opened = false;
};

class LogCapture
{
public:
    LogCapture()
    {
        while (Log::Instance()->GetIndent() > 0)
            Log::Instance()->Unindent(1);
        output = new MemoryLogOutput();
        Log::Instance()->AddOutput(output);
    }
    ~LogCapture() { Log::Instance()->RemoveOutput(output); }

    const std::string& Text() const { return output->buffer; }
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::istringstream stream(output->buffer);
        std::string line;
        while (std::getline(stream, line))
            lines.push_back(line);
        return lines;
    }
    // The lines that contain the text.
    std::vector<std::string> LinesWith(const std::string& text) const
    {
        std::vector<std::string> found;
        for (const std::string& line : Lines())
            if (line.find(text) != std::string::npos)
                found.push_back(line);
        return found;
    }
    bool Contains(const std::string& text) const
    {
        return output->buffer.find(text) != std::string::npos;
    }
    void Clear() { output->buffer.clear(); }

    MemoryLogOutput* output;
};
