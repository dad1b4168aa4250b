#include "Rc4.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace teedesk;

namespace {

std::vector<uint8_t> FromHex(const std::string& hex)
{
    std::vector<uint8_t> bytes;
    for (size_t n = 0; n + 1 < hex.size(); n += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(n, 2), nullptr, 16)));
    return bytes;
}

struct KeystreamCase {
    const char* key;
    size_t offset;
    const char* keystream; // 16 bytes
};

// The published vectors for 128-bit keys (RFC 6229), a few offsets of each.
const KeystreamCase kCases[] = {
    {"0102030405060708090a0b0c0d0e0f10", 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
    {"0102030405060708090a0b0c0d0e0f10", 16, "5248c4959014126a6e8a84f11d1a9e1c"},
    {"0102030405060708090a0b0c0d0e0f10", 240, "065902e4b620f6cc36c8589f66432f2b"},
    {"0102030405060708090a0b0c0d0e0f10", 256, "d39d566bc6bce3010768151549f3873f"},
    {"0102030405060708090a0b0c0d0e0f10", 1520, "b40110c4190b5622a96116b0017ed297"},
    {"0102030405060708090a0b0c0d0e0f10", 4096, "a36a4c301ae8ac13610ccbc12256cacc"},
    {"ebb46227c6cc8b37641910833222772a", 0, "720c94b63edf44e131d950ca211a5a30"},
    {"ebb46227c6cc8b37641910833222772a", 16, "c366fdeacf9ca80436be7c358424d20b"},
    {"ebb46227c6cc8b37641910833222772a", 752, "3cb89993b07b0ced93de13d2a11013ac"},
    {"ebb46227c6cc8b37641910833222772a", 4080, "a2221a11b833ccb498a59540f0545f4a"},
};

class Rc4Vectors : public testing::TestWithParam<KeystreamCase> {};

INSTANTIATE_TEST_SUITE_P(Rfc6229, Rc4Vectors, testing::ValuesIn(kCases));

} // namespace

TEST_P(Rc4Vectors, KeystreamAtOffset)
{
    const KeystreamCase& c = GetParam();
    const std::vector<uint8_t> key = FromHex(c.key);
    Rc4State state;
    Rc4Init(state, key.data());
    std::vector<uint8_t> data(c.offset + 16, 0);
    Rc4Crypt(state, data.data(), data.size());
    EXPECT_EQ(std::vector<uint8_t>(data.begin() + static_cast<long>(c.offset), data.end()), FromHex(c.keystream));
}

TEST_P(Rc4Vectors, PiecewiseCallsContinueOneKeystream)
{
    const KeystreamCase& c = GetParam();
    const std::vector<uint8_t> key = FromHex(c.key);
    Rc4State state;
    Rc4Init(state, key.data());
    std::vector<uint8_t> data(c.offset + 16, 0);
    for (size_t done = 0; done < data.size();) {
        const size_t piece = std::min<size_t>(7 + done % 5, data.size() - done);
        Rc4Crypt(state, data.data() + done, piece);
        done += piece;
    }
    EXPECT_EQ(std::vector<uint8_t>(data.begin() + static_cast<long>(c.offset), data.end()), FromHex(c.keystream));
}

TEST(Rc4, InitRestartsTheKeystream)
{
    const std::vector<uint8_t> key = FromHex("0102030405060708090a0b0c0d0e0f10");
    Rc4State state;
    Rc4Init(state, key.data());
    uint8_t skipped[100] = {};
    Rc4Crypt(state, skipped, sizeof skipped);
    Rc4Init(state, key.data());
    uint8_t data[16] = {};
    Rc4Crypt(state, data, sizeof data);
    EXPECT_EQ(std::vector<uint8_t>(data, data + 16), FromHex("9ac7cc9a609d1ef7b2932899cde41b97"));
}
