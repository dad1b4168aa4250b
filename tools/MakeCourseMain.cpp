// teedesk-make-course: writes a course source file from a JSON description, or a
// national-size one for benchmarks.

#include "CourseMaker.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <stdexcept>

int main(int argc, char** argv)
{
    CLI::App app{"teedesk-make-course: make an enciphered course source file."};
    std::string descriptionPath;
    std::string outputPath;
    bool national = false;
    uint16_t version = 2;
    uint32_t seed = 1;
    app.add_option("DESCRIPTION", descriptionPath, "the JSON description of the file")->type_name("FILE");
    app.add_flag("--national", national, "make a national-size file (2,500 courses of 18 holes) instead");
    app.add_option("--version", version, "format version of the national file: 2 or 4")
        ->check(CLI::IsMember({2, 4}));
    app.add_option("--seed", seed, "seed of the national file's values");
    app.add_option("-o,--output", outputPath, "where to write the file")->required()->type_name("FILE");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    }
    if (national == !descriptionPath.empty()) {
        std::fprintf(stderr, "give either a DESCRIPTION or --national\n");
        return 2;
    }

    try {
        teedesk::tools::CourseFileDescription description;
        if (national) {
            description = teedesk::tools::MakeNationalDescription(version, seed);
        } else {
            std::ifstream in(descriptionPath);
            if (!in)
                throw std::runtime_error("cannot open " + descriptionPath);
            description = teedesk::tools::ParseCourseDescription(nlohmann::json::parse(in));
        }
        const std::vector<uint8_t> file = teedesk::tools::MakeCourseFile(description);
        std::ofstream out(outputPath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        out.close();
        if (!out)
            throw std::runtime_error("cannot write " + outputPath);
        std::printf("%s: %zu courses, %zu bytes\n", outputPath.c_str(), description.courses.size(), file.size());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
