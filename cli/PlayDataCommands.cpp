#include "Commands.h"
#include "CsvFile.h"
#include "CsvSections.h"
#include "CsvWriter.h"
#include "OutputFile.h"
#include "PlayDataDownload.h"
#include "TerminalHost.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace teedesk::cli {

namespace {

constexpr const char* kTextNoPlayData = "プレーデータがありません。";

struct ImportOptions {
    std::string outPath;
};

struct ConvertOptions {
    uint16_t modelIndex = 0;
    std::string outPath;
    std::vector<std::string> dumps;
};

std::string JoinIndices(const std::vector<uint32_t>& indices)
{
    std::string text;
    for (const uint32_t index : indices) {
        if (!text.empty())
            text += ", ";
        text += std::to_string(uint64_t{index} + 1);
    }
    return text;
}

int ImportPlay(CliContext& context, const ImportOptions& options)
{
    DeviceLink* link = context.ConnectedLink();
    if (!link)
        return kExitNoWatch;
    const std::optional<uint32_t> count = CountSessions(*link);
    if (!count) {
        std::fprintf(stderr, "the watch did not answer the session count\n");
        return kExitFailed;
    }
    if (*count == 0) {
        std::printf("%s\n", kTextNoPlayData);
        return kExitOk;
    }
    std::string path = options.outPath;
    if (path.empty()) {
        // The local time after the count, as the page takes it.
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        path = PresetCsvFileName(local);
    }

    TerminalHost host;
    DownloadSummary summary;
    const TransferResult result = DownloadPlayData(*link, path, *count, host, {}, &summary);
    if (!result.completed) {
        std::fprintf(stderr, "%s\n", result.reason.c_str());
        return kExitFailed;
    }
    // The window keeps a short file and says "completed"; here the status tells the truth.
    if (summary.writeFailed) {
        std::fprintf(stderr, "%s could not be written completely; it stops short\n", path.c_str());
        return kExitFailed;
    }
    if (!summary.sessionsLeftOut.empty()) {
        std::fprintf(stderr, "%s holds %u of %u sessions; left out: session %s\n", path.c_str(),
                     summary.sessionsWritten, *count, JoinIndices(summary.sessionsLeftOut).c_str());
        return kExitFailed;
    }
    std::printf("%s\n", path.c_str());
    return kExitOk;
}

bool ReadDump(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > kMaxSessionBytes) {
        std::fprintf(stderr, "%s: not a session (more than %u bytes)\n", path.c_str(), kMaxSessionBytes);
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    return true;
}

bool WriteSessions(CsvOutput& output, uint16_t modelIndex, const std::vector<std::vector<uint8_t>>& sessions)
{
    CsvWriter file(output, modelIndex);
    bool written = file.ready() && WriteFileStart(file);
    for (size_t k = 0; k < sessions.size() && written; ++k)
        written = WriteSession(file, static_cast<uint32_t>(k), sessions[k]);
    return output.Close() && written;
}

int ConvertSessions(const ConvertOptions& options)
{
    std::vector<std::vector<uint8_t>> sessions(options.dumps.size());
    for (size_t k = 0; k < options.dumps.size(); ++k)
        if (!ReadDump(options.dumps[k], sessions[k]))
            return kExitFailed;

    OutputFile file(options.outPath);
    if (file.Open() < 0)
        return kExitFailed;
    CsvFile output(file.ReleaseDescriptor());
    if (!WriteSessions(output, options.modelIndex, sessions)) {
        std::fprintf(stderr, "cannot write %s: write failed\n", options.outPath.c_str());
        return kExitFailed;
    }
    return file.Commit() ? kExitOk : kExitFailed;
}

} // namespace

void AddPlayDataCommands(CLI::App& app, CommandRunner& run)
{
    auto import = std::make_shared<ImportOptions>();
    CLI::App* importCommand = app.add_subcommand("import-play", "download every play session into a CSV file");
    importCommand->add_option("OUT", import->outPath, "the CSV file (default: YYYYMMDD_hhmmss.csv here)");
    importCommand->callback([&run, import] { run = [import](CliContext& context) { return ImportPlay(context, *import); }; });

    auto convert = std::make_shared<ConvertOptions>();
    CLI::App* convertCommand =
        app.add_subcommand("convert-session", "write the CSV file for session dumps, as the download would");
    AddModelOption(*convertCommand, convert->modelIndex);
    convertCommand->add_option("-o", convert->outPath, "the CSV file to write")->type_name("OUT")->required();
    convertCommand->add_option("DUMP", convert->dumps, "one session's bytes per file; the k-th is SESSIONk")
        ->required();
    convertCommand->callback([&run, convert] { run = [convert](CliContext&) { return ConvertSessions(*convert); }; });
}

} // namespace teedesk::cli
