#include "RoundsTestSupport.h"

#include "CsvSections.h"
#include "CsvWriter.h"
#include "MemoryOutput.h"
#include "RoundReader.h"
#include "SessionLayout.h"
#include "SimulatedWatch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace teedesk::test {

std::string CsvOf(uint16_t modelIndex, const std::vector<std::vector<uint8_t>>& sessions)
{
    MemoryOutput output;
    CsvWriter file(output, modelIndex);
    EXPECT_TRUE(file.ready());
    EXPECT_TRUE(WriteFileStart(file));
    for (size_t k = 0; k < sessions.size(); ++k)
        EXPECT_TRUE(WriteSession(file, static_cast<uint32_t>(k), sessions[k]));
    return output.text;
}

std::string SimulatedCsv(uint16_t modelIndex, int count, uint32_t seed)
{
    return CsvOf(modelIndex, sim::GenerateSessions(seed, count, modelIndex));
}

WrittenCounts CountWritten(const std::vector<std::vector<uint8_t>>& sessions)
{
    WrittenCounts counts;
    for (const std::vector<uint8_t>& bytes : sessions)
        SessionView(bytes).WalkSlots([&](const SessionRecord& record) {
            if (record.type() == RecordType::GpsFix && record.fixMode() >= 2)
                ++counts.fixes;
            if (record.type() == RecordType::Mark)
                ++counts.marks;
            return true;
        });
    return counts;
}

RoundFile ReadOrFail(const std::string& csv)
{
    RoundFile rounds;
    RoundReadError error;
    EXPECT_TRUE(ReadRounds(csv, rounds, error)) << error.Text();
    return rounds;
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    ASSERT_TRUE(out.good()) << path;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string RunShell(const std::string& command, int* status)
{
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        if (status)
            *status = -1;
        return output;
    }
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, got);
    const int result = ::pclose(pipe);
    if (status)
        *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

} // namespace teedesk::test
