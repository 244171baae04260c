// The program's log: formats a line and hands it, after the current indent, to
// every output. LogScope blocks raise and lower the indent.
#pragma once

#include "core/RefObject.h"
#include "core/SmartPtr.h"

#include <cstdio>
#include <vector>

class LogOutput : public RefObject
{
public:
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual void Write(const char* text) = 0;
};

// Writes to a file; opened truncated ("w") unless append is set. Unbuffered, so
// the file is complete at every moment.
class LogFile : public LogOutput
{
public:
    LogFile();
    ~LogFile() override;

    void SetFileName(const char* name);
    void SetAppend(bool append);
    bool IsOpen() const { return file != nullptr; }

    void Open() override;
    void Close() override;
    void Write(const char* text) override;

private:
    bool append = false;
    FILE* file = nullptr;
    char fileName[256];
};

class Log
{
public:
    static Log* Instance();

    // Takes a reference to the output and opens it.
    void AddOutput(LogOutput* output);
    // Closes the output and drops every reference the list holds to it.
    void RemoveOutput(LogOutput* output);

    // Formats as printf does and writes the indent, then the text, to each
    // output. The caller ends its line with "\n".
    static void Printf(Log* log, const char* format, ...) __attribute__((format(printf, 2, 3)));

    // The step is ignored: the level moves by one. It never goes below zero.
    void Indent(int step);
    void Unindent(int step);
    int GetIndent() const { return indent; }

private:
    std::vector<SmartPtr<LogOutput>> outputs;
    int indent = 0;
};

// Writes the title and "{", indents; on leaving unindents and writes "}".
class LogScope
{
public:
    explicit LogScope(const char* title);
    ~LogScope();
    LogScope(const LogScope&) = delete;
    LogScope& operator=(const LogScope&) = delete;
};
