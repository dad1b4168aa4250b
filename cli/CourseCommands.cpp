#include "Commands.h"
#include "OutputFile.h"

#include "CourseFormat.h"
#include "CourseImage.h"
#include "CourseSourceReader.h"
#include "CourseWriter.h"
#include "Cp932Converter.h"
#include "DeviceModel.h"
#include "FileCourseSource.h"
#include "TerminalHost.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace teedesk::cli {

namespace {

struct CourseOptions {
    std::string sourcePath;
    std::string imagePath;
    uint16_t modelIndex = 0;
};

int BuildCourse(const CourseOptions& options)
{
    CourseImage image;
    const CoursePrepareStatus status = PrepareCourseImage(options.sourcePath, options.modelIndex, image);
    if (status != CoursePrepareStatus::Ready) {
        PrintMessage(CoursePrepareMessage(status));
        return kExitFailed;
    }
    if (!OutputFile::WriteWhole(options.imagePath, image.data(), image.size()))
        return kExitFailed;
    std::printf("%s\n", options.imagePath.c_str());
    return kExitOk;
}

int UpdateCourse(CliContext& context, const CourseOptions& options)
{
    DeviceLink* link = context.ConnectedLink();
    if (!link)
        return kExitNoWatch;
    TerminalHost host;
    const TransferResult result = WriteCourseImage(*link, options.sourcePath, host);
    if (result.completed)
        return kExitOk;
    if (!result.reason.empty())
        std::fprintf(stderr, "%s\n", result.reason.c_str());
    return kExitFailed;
}

std::string Utf8(Cp932Converter& converter, const uint8_t* text, size_t room)
{
    const std::string_view bytes(reinterpret_cast<const char*>(text), strnlen(reinterpret_cast<const char*>(text), room));
    std::string out;
    if (!converter.AppendUtf8(bytes, out))
        out.assign(bytes);
    return out;
}

// What the file holds, area by area, so a user sees what an update would write.
int InspectCourse(const CourseOptions& options)
{
    FileCourseSource file;
    switch (file.Open(options.sourcePath)) {
    case FileOpenStatus::Opened:
        break;
    case FileOpenStatus::CannotOpen:
        PrintMessage(kTextCourseOpenFailed);
        return kExitFailed;
    case FileOpenStatus::CannotGetLength:
        PrintMessage(kTextCourseLengthFailed);
        return kExitFailed;
    }
    CourseSourceReader reader(file);
    std::vector<AreaIndexEntry> areas;
    if (!reader.ReadHeader() || !reader.CheckHeader(options.modelIndex) || !reader.ReadTables() ||
        !CollectAreas(reader.areas(), areas)) {
        PrintMessage(kTextCourseReadFailed);
        return kExitFailed;
    }
    Cp932Converter converter;
    const std::vector<CourseRecord>& courses = reader.courses();
    const std::string_view model = ModelName(options.modelIndex);
    std::printf("%.*s course file, format version %u: %zu courses, %zu area records\n", static_cast<int>(model.size()),
                model.data(), reader.header().formatVersion, courses.size(), reader.areas().size());

    std::vector<bool> hasRecord(areas.size(), false);
    for (const AreaRecord& record : reader.areas())
        hasRecord[record.areaNumber - 1u] = true;
    std::vector<bool> listed(courses.size(), false);
    uint8_t head[kCourseHeadSize];
    auto printCourse = [&](const CourseRecord& course) {
        std::string name = reader.ReadHead(course, head) ? Utf8(converter, head + 2, kCourseNameSize) : "(unreadable)";
        std::printf("    %5u  %s  (%u bytes)", course.courseId, name.c_str(), course.blockLength);
        if (course.slotCode < kFirstSlotCode || course.slotCode > kLastSlotCode)
            std::printf("  slot code 0x%02X is no kana from 0xB1 to 0xDC", course.slotCode);
        std::printf("\n");
    };
    for (size_t a = 0; a < areas.size(); ++a) {
        size_t count = 0;
        for (const CourseRecord& course : courses)
            count += course.areaNumber == a + 1;
        if (areas[a].name[0] == 0 || (count == 0 && !hasRecord[a]))
            continue;
        std::printf("%3zu %s: %zu course%s\n", a + 1, Utf8(converter, areas[a].name, kAreaNameSize).c_str(), count,
                    count == 1 ? "" : "s");
        for (size_t k = 0; k < courses.size(); ++k) {
            if (courses[k].areaNumber != a + 1)
                continue;
            listed[k] = true;
            printCourse(courses[k]);
        }
    }
    bool unplaced = false;
    for (size_t k = 0; k < courses.size(); ++k) {
        if (listed[k])
            continue;
        if (!unplaced)
            std::printf("courses without a named area:\n");
        unplaced = true;
        std::printf("  area %u\n", courses[k].areaNumber);
        printCourse(courses[k]);
    }

    CourseImage image;
    if (!image.Build(file, options.modelIndex)) {
        PrintMessage(kTextCourseReadFailed);
        return kExitFailed;
    }
    std::printf("image: %u bytes\n", image.size());
    return kExitOk;
}

} // namespace

void AddCourseCommands(CLI::App& app, CommandRunner& run)
{
    auto build = std::make_shared<CourseOptions>();
    CLI::App* buildCommand = app.add_subcommand("build-course", "write the stamped course image for a model");
    buildCommand->add_option("FILE", build->sourcePath, "the course source file")->required();
    AddModelOption(*buildCommand, build->modelIndex);
    buildCommand->add_option("-o", build->imagePath, "the image file to write")->type_name("IMAGE")->required();
    buildCommand->callback([&run, build] { run = [build](CliContext&) { return BuildCourse(*build); }; });

    auto update = std::make_shared<CourseOptions>();
    CLI::App* updateCommand = app.add_subcommand("update-course", "build, stamp and write the course image");
    updateCommand->add_option("FILE", update->sourcePath, "the course source file")->required();
    updateCommand->callback(
        [&run, update] { run = [update](CliContext& context) { return UpdateCourse(context, *update); }; });

    auto inspect = std::make_shared<CourseOptions>();
    CLI::App* inspectCommand = app.add_subcommand("inspect-course", "list the areas and courses a course file holds");
    inspectCommand->add_option("FILE", inspect->sourcePath, "the course source file")->required();
    AddModelOption(*inspectCommand, inspect->modelIndex);
    inspectCommand->callback([&run, inspect] { run = [inspect](CliContext&) { return InspectCourse(*inspect); }; });
}

} // namespace teedesk::cli
