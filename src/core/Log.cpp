#include "core/Log.h"

#include <cstdarg>
#include <cstring>
#include <string>

namespace
{
const int kLineBufferSize = 1024;
const int kMaxIndent = 127;
} // namespace

LogFile::LogFile()
{
    fileName[0] = '\0';
}

LogFile::~LogFile()
{
    Close();
}

void LogFile::SetFileName(const char* name)
{
    if (!name)
        name = "";
    snprintf(fileName, sizeof(fileName), "%s", name);
}

void LogFile::SetAppend(bool appendFlag)
{
    append = appendFlag;
}

void LogFile::Open()
{
    if (file || fileName[0] == '\0')
        return;
    file = fopen(fileName, append ? "a" : "w");
    if (file)
        setvbuf(file, nullptr, _IONBF, 0);
}

void LogFile::Close()
{
    if (file)
    {
        fclose(file);
        file = nullptr;
    }
}

void LogFile::Write(const char* text)
{
    if (file)
        fputs(text, file);
}

Log* Log::Instance()
{
    static Log instance;
    return &instance;
}

void Log::AddOutput(LogOutput* output)
{
    if (!output)
        return;
    outputs.push_back(SmartPtr<LogOutput>(output));
    output->Open();
}

void Log::RemoveOutput(LogOutput* output)
{
    if (!output)
        return;
    output->Close();
    for (size_t i = 0; i < outputs.size();)
    {
        if (outputs[i].Get() == output)
            outputs.erase(outputs.begin() + i);
        else
            ++i;
    }
}

void Log::Printf(Log* log, const char* format, ...)
{
    if (!log || !format || log->outputs.empty())
        return;

    char buffer[kLineBufferSize];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    if (length < 0)
        return;

    // A line longer than the stack buffer is formatted again into one of its
    // own size rather than cut.
    std::string longLine;
    const char* text = buffer;
    if (length >= kLineBufferSize)
    {
        longLine.resize(static_cast<size_t>(length) + 1);
        va_start(args, format);
        vsnprintf(&longLine[0], longLine.size(), format, args);
        va_end(args);
        text = longLine.c_str();
    }

    char indentText[kMaxIndent + 1];
    int blanks = log->indent < kMaxIndent ? log->indent : kMaxIndent;
    memset(indentText, ' ', static_cast<size_t>(blanks));
    indentText[blanks] = '\0';

    for (size_t i = 0; i < log->outputs.size(); ++i)
    {
        LogOutput* output = log->outputs[i].Get();
        output->Write(indentText);
        output->Write(text);
    }
}

void Log::Indent(int)
{
    ++indent;
}

void Log::Unindent(int)
{
    if (indent > 0)
        --indent;
}

LogScope::LogScope(const char* title)
{
    Log::Printf(Log::Instance(), "%s\n", title ? title : "");
    Log::Printf(Log::Instance(), "{\n");
    Log::Instance()->Indent(1);
}

LogScope::~LogScope()
{
    Log::Instance()->Unindent(1);
    Log::Printf(Log::Instance(), "}\n");
}
