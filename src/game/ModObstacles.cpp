// The level file reader of the game module: one physics box per line.
#include "game/Mod.h"

#include "core/Log.h"
#include "physics/Physics.h"
#include "physics/PhysicsBox.h"
#include "platform/Files.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
// Characters a line may hold before its line feed (a carriage return
// included).
constexpr size_t kMaxLineLength = 298;

enum class LineRead
{
    Line,
    TooLong,
    End
};

// Reads one line without its line feed into line (kMaxLineLength + 1 bytes).
// A line longer than that is read up to its line feed and reported as too
// long; its characters are not kept. The last line needs no line feed.
LineRead ReadLine(FILE* file, char* line)
{
    size_t length = 0;
    bool tooLong = false;
    int c = std::fgetc(file);
    if (c == EOF)
        return LineRead::End;
    while (c != EOF && c != '\n')
    {
        if (length < kMaxLineLength)
            line[length++] = static_cast<char>(c);
        else
            tooLong = true;
        c = std::fgetc(file);
    }
    line[length] = '\0';
    return tooLong ? LineRead::TooLong : LineRead::Line;
}
} // namespace

int Mod::LoadObstacles(const char* fileName, SceneNode* parent)
{
    FILE* file = OpenFile(fileName, "rb");
    if (!file)
        return -1;

    int placed = 0;
    int lineNumber = 0;
    char line[kMaxLineLength + 1];
    for (LineRead read = ReadLine(file, line); read != LineRead::End; read = ReadLine(file, line))
    {
        ++lineNumber;
        if (read == LineRead::TooLong)
        {
            Log::Printf(Log::Instance(), "%s: line %d is longer than %d characters, skipped\n",
                        fileName, lineNumber, static_cast<int>(kMaxLineLength));
            continue;
        }
        size_t length = std::strlen(line);
        if (length > 0 && line[length - 1] == '\r')
            line[length - 1] = '\0';

        char name[200];
        float x = 0.0f;
        float z = 0.0f;
        float turns = 0.0f;
        int dynamic = 0;
        if (std::sscanf(line, "%199s %f %f %f %d", name, &x, &z, &turns, &dynamic) != 5)
        {
            Log::Printf(Log::Instance(), "%s: line %d has fewer than five fields, skipped\n",
                        fileName, lineNumber);
            continue;
        }
        if (!std::isfinite(x) || !std::isfinite(z) || !std::isfinite(turns))
        {
            Log::Printf(Log::Instance(), "%s: line %d holds a number out of range, skipped\n",
                        fileName, lineNumber);
            continue;
        }
        if (!Physics::IsWithinBound(x) || !Physics::IsWithinBound(z))
        {
            Log::Printf(Log::Instance(), "%s: line %d places a box further out than %g, skipped\n",
                        fileName, lineNumber, double(Physics::kWorldBound));
            continue;
        }

        // Whole turns go first: pi times a huge count would overflow, or
        // drown the quarter turns left over in rounding.
        const float quarterTurns = std::fmod(turns, 4.0f);
        const Quaternion rotation =
            Quaternion::FromAxisAngle(Vector3(0.0f, 1.0f, 0.0f), 3.1415927f * quarterTurns / 2.0f);
        PhysicsBox* box = new PhysicsBox();
        box->Load(name, dynamic != 0);
        const float height = box->boxMax.y - box->boxMin.y;
        // A static box stands on the ground plane y = 0; a dynamic one drops
        // onto it from 0.1 above.
        const float y = dynamic != 0 ? height / 2.0f + 0.1f : height / 2.0f;
        box->SetPosition(Vector3(x, y, z));
        box->SetRotation(rotation);
        parent->AddChild(box);
        ++placed;
    }
    std::fclose(file);
    return placed;
}
