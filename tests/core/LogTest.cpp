#include "core/Log.h"
#include "support/LogCapture.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using Lines = std::vector<std::string>;

TEST(Log, ScopesIndentTitlesAndContents)
{
    LogCapture log;
    {
        LogScope outer("Outer");
        Log::Printf(Log::Instance(), "one\n");
        {
            LogScope inner("Inner");
            Log::Printf(Log::Instance(), "two %d\n", 2);
        }
        Log::Printf(Log::Instance(), "three\n");
    }
    Log::Printf(Log::Instance(), "after\n");
    EXPECT_EQ(log.Lines(), (Lines{"Outer", "{", " one", " Inner", " {", "  two 2", " }", " three",
                                  "}", "after"}));
    EXPECT_EQ(Log::Instance()->GetIndent(), 0);
}

TEST(Log, IndentIsWrittenOnceBeforeEachCall)
{
    LogCapture log;
    Log::Instance()->Indent(1);
    Log::Instance()->Indent(5); // the step is ignored
    Log::Printf(Log::Instance(), "no line end");
    Log::Printf(Log::Instance(), "rest\nnext\n");
    Log::Instance()->Unindent(1);
    Log::Instance()->Unindent(1);
    EXPECT_EQ(log.Text(), "  no line end  rest\nnext\n");
}

TEST(Log, UnbalancedScopesNeverGoBelowZero)
{
    LogCapture log;
    Log::Instance()->Unindent(1);
    Log::Instance()->Unindent(1);
    EXPECT_EQ(Log::Instance()->GetIndent(), 0);
    {
        LogScope open("Left open");
        Log::Instance()->Unindent(1); // someone closed it early
    }
    Log::Printf(Log::Instance(), "x\n");
    EXPECT_EQ(log.Lines(), (Lines{"Left open", "{", "}", "x"}));
}

TEST(Log, EveryOutputGetsIndentAndTextInListOrder)
{
    LogCapture first;
    LogCapture second;
    Log::Instance()->Indent(1);
    Log::Printf(Log::Instance(), "line\n");
    Log::Instance()->Unindent(1);
    EXPECT_EQ(first.Text(), " line\n");
    EXPECT_EQ(second.Text(), " line\n");
}

TEST(Log, RemovedOutputIsClosedAndGetsNothing)
{
    MemoryLogOutput* output = new MemoryLogOutput();
    output->AddRef(); // keep it readable after the log lets go
    Log::Instance()->AddOutput(output);
    EXPECT_TRUE(output->opened);
    Log::Instance()->RemoveOutput(output);
    EXPECT_FALSE(output->opened);
    Log::Printf(Log::Instance(), "ignored\n");
    EXPECT_EQ(output->buffer, "");
    EXPECT_EQ(output->GetRefCount(), 1);
    output->Release();
    RefObject::CollectGarbage();
}

TEST(Log, LinesLongerThanTheBufferArriveWhole)
{
    LogCapture log;
    std::string longText(5000, 'a');
    longText += "end";
    Log::Printf(Log::Instance(), "%s|%d\n", longText.c_str(), 7);
    EXPECT_EQ(log.Text(), longText + "|7\n");
}

TEST(Log, DeepNestingIsCappedNotOverrun)
{
    LogCapture log;
    for (int i = 0; i < 300; ++i)
        Log::Instance()->Indent(1);
    Log::Printf(Log::Instance(), "deep\n");
    for (int i = 0; i < 300; ++i)
        Log::Instance()->Unindent(1);
    EXPECT_EQ(log.Text(), std::string(127, ' ') + "deep\n");
}

class LogFileTest : public ::testing::Test
{
protected:
    std::string Read(const std::string& path)
    {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ScratchFolder scratch{"logfile"};
    std::string dir = scratch.path;
};

TEST_F(LogFileTest, TruncatesOrAppendsAndWritesAtOnce)
{
    std::string path = dir + "/out.log";
    {
        std::ofstream old(path);
        old << "old\n";
    }
    LogFile* file = new LogFile();
    file->AddRef();
    file->SetFileName(path.c_str());
    file->Open();
    file->Write("new\n");
    // Unbuffered: the text is in the file before any close.
    EXPECT_EQ(Read(path), "new\n");
    file->Close();

    file->SetAppend(true);
    file->Open();
    file->Open(); // already open: nothing happens
    file->Write("more\n");
    file->Close();
    EXPECT_EQ(Read(path), "new\nmore\n");
    file->Release();
    RefObject::CollectGarbage();
}

TEST_F(LogFileTest, UnopenableOrUnnamedFileStaysClosedAndQuiet)
{
    LogFile* unnamed = new LogFile();
    unnamed->AddRef();
    unnamed->Open();
    EXPECT_FALSE(unnamed->IsOpen());
    unnamed->Write("nothing\n");

    LogFile* missing = new LogFile();
    missing->AddRef();
    missing->SetFileName((dir + "/no/such/dir/x.log").c_str());
    missing->Open();
    EXPECT_FALSE(missing->IsOpen());

    // The log carries on to its other outputs.
    LogCapture log;
    Log::Instance()->AddOutput(missing);
    Log::Printf(Log::Instance(), "still here\n");
    Log::Instance()->RemoveOutput(missing);
    EXPECT_EQ(log.Text(), "still here\n");
    unnamed->Release();
    missing->Release();
    RefObject::CollectGarbage();
}
