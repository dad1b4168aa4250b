// teedesk-make-firmware: writes a firmware file of a chosen kind for a chosen model.

#include "DeviceModel.h"
#include "FirmwareMaker.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

using namespace teedesk;

int main(int argc, char** argv)
{
    CLI::App app{"teedesk-make-firmware: writes a firmware file that the firmware checks accept (or, on request, refuse)."};

    tools::FirmwareRecipe recipe;
    std::string output;
    std::string bodyPath;
    std::string model = "bandA";
    std::string kind = "main";
    int versionMajor = 1;
    int versionMinor = 0;
    bool marker = false;
    std::string name;

    app.add_option("-o,--output", output, "the firmware file to write")->required()->type_name("FILE");
    app.add_option("--kind", kind, "boot, main, font (by type tag) or tp, ble (by head marker); default main")
        ->check(CLI::IsMember({"boot", "main", "font", "tp", "ble"}, CLI::ignore_case));
    app.add_option("--tag-address", recipe.tagAddress, "the tag address A stored at offset 4 (boot, main, font)")
        ->type_name("A");
    app.add_option("--size", recipe.bodySize, "body size in bytes before the trailer (default 4096)")->type_name("BYTES");
    app.add_option("--seed", recipe.seed, "seed of the random body (default 1)");
    app.add_option("--body", bodyPath, "take the body from FILE instead of random bytes")->type_name("FILE");
    app.add_option("--model", model, "the trailer's model: pin (marker trailer), bandF, bandA; default bandA")
        ->type_name("MODEL");
    app.add_option("--name", name, "put this text into the name field instead of the model's identity name");
    app.add_flag("--marker", marker, "use the marker trailer whatever the model");
    app.add_option("--version-major", versionMajor, "image version, major part")->check(CLI::Range(-128, 127));
    app.add_option("--version-minor", versionMinor, "image version, minor part")->check(CLI::Range(-128, 127));

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    }

    const auto parsedModel = ParseModel(model);
    if (!parsedModel) {
        std::fprintf(stderr, "--model must be pin, bandF, bandA or 0, 1, 2\n");
        return 2;
    }
    recipe.modelIndex = *parsedModel;
    if (marker)
        recipe.trailerName = std::string();
    else if (!name.empty())
        recipe.trailerName = name;

    static const std::map<std::string, FirmwareKind> kKinds = {
        {"boot", FirmwareKind::Boot}, {"main", FirmwareKind::Main}, {"font", FirmwareKind::Font},
        {"tp", FirmwareKind::TouchPanel}, {"ble", FirmwareKind::Bluetooth}};
    std::string lower = kind;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    recipe.kind = kKinds.at(lower);
    recipe.versionMajor = static_cast<int8_t>(versionMajor);
    recipe.versionMinor = static_cast<int8_t>(versionMinor);

    if (!bodyPath.empty()) {
        std::ifstream in(bodyPath, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", bodyPath.c_str());
            return 1;
        }
        recipe.body = std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    const tools::MadeFirmware made = tools::MakeFirmware(recipe);
    if (!made.error.empty()) {
        std::fprintf(stderr, "%s\n", made.error.c_str());
        return 1;
    }
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(made.bytes.data()), static_cast<std::streamsize>(made.bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
