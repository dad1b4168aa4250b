#include "RoundReader.h"

#include "Cp932Converter.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

namespace teedesk {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kQuotedSeparator = "\",\"";
constexpr size_t kFixColumns = 10;      // of the 13 the column line names
constexpr size_t kGpsNamedColumns = 13;
constexpr size_t kMarkColumns = 11;
constexpr size_t kMarkColumnsWithClub = 13;
constexpr size_t kMarkFixedColumnsAfterNames = 7; // Hole No to Latitude

bool IsValidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        size_t length;
        uint32_t code;
        if (byte < 0x80) {
            ++i;
            continue;
        } else if ((byte & 0xE0) == 0xC0) {
            length = 2;
            code = byte & 0x1F;
        } else if ((byte & 0xF0) == 0xE0) {
            length = 3;
            code = byte & 0x0F;
        } else if ((byte & 0xF8) == 0xF0) {
            length = 4;
            code = byte & 0x07;
        } else {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        static constexpr uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// One line's fields, and how to join neighbours back into a field that held the separator.
struct Fields {
    std::vector<std::string> values;
    std::string_view separator;

    size_t size() const { return values.size(); }
    const std::string& operator[](size_t index) const { return values[index]; }
    std::string Join(size_t from, size_t to) const
    {
        std::string text;
        for (size_t k = from; k < to; ++k) {
            if (k > from)
                text += separator;
            text += values[k];
        }
        return text;
    }
};

// Our own lines are wholly quoted; anything else is read the common way, with "" inside
// quotes standing for one quote.
Fields SplitLine(std::string_view line)
{
    Fields fields;
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"') {
        fields.separator = kQuotedSeparator;
        std::string_view inner = line.substr(1, line.size() - 2);
        for (;;) {
            const size_t at = inner.find(kQuotedSeparator);
            fields.values.emplace_back(inner.substr(0, at));
            if (at == std::string_view::npos)
                break;
            inner.remove_prefix(at + kQuotedSeparator.size());
        }
        return fields;
    }
    fields.separator = ",";
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.values.push_back(std::move(field));
            field.clear();
        } else {
            field += c;
        }
    }
    fields.values.push_back(std::move(field));
    return fields;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool ParseInt(std::string_view text, int& value)
{
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool ParseDouble(std::string_view text, double& value)
{
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Two numbers and a separator, as "2016-05-12" or "08:30:05"; a re-save may drop leading zeros.
bool ParseTriple(std::string_view text, const char* separators, int& first, int& second, int& third)
{
    text = Trimmed(text);
    const size_t a = text.find_first_of(separators);
    if (a == std::string_view::npos)
        return false;
    const size_t b = text.find(text[a], a + 1);
    if (b == std::string_view::npos)
        return false;
    return ParseInt(text.substr(0, a), first) && ParseInt(text.substr(a + 1, b - a - 1), second) &&
           ParseInt(text.substr(b + 1), third);
}

bool ParseDate(std::string_view text, RoundTime& time)
{
    return ParseTriple(text, "-/", time.year, time.month, time.day) && time.year >= 0;
}

bool ParseClock(std::string_view text, RoundTime& time)
{
    return ParseTriple(text, ":", time.hour, time.minute, time.second) && time.hour >= 0 && time.minute >= 0 &&
           time.second >= 0;
}

// "YYYYMMDD_hhmmss".
bool ParseStamp(std::string_view text, RoundTime& time)
{
    text = Trimmed(text);
    if (text.size() != 15 || text[8] != '_')
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (i != 8 && (text[i] < '0' || text[i] > '9'))
            return false;
    return ParseInt(text.substr(0, 4), time.year) && ParseInt(text.substr(4, 2), time.month) &&
           ParseInt(text.substr(6, 2), time.day) && ParseInt(text.substr(9, 2), time.hour) &&
           ParseInt(text.substr(11, 2), time.minute) && ParseInt(text.substr(13, 2), time.second);
}

bool IsSessionField(std::string_view field, int& number)
{
    field = Trimmed(field);
    constexpr std::string_view kPrefix = "SESSION";
    if (field.substr(0, kPrefix.size()) != kPrefix)
        return false;
    const std::string_view digits = field.substr(kPrefix.size());
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    return ParseInt(digits, number);
}

bool IsWord(const Fields& fields, std::string_view word)
{
    return fields.size() == 1 && Trimmed(fields[0]) == word;
}

// A re-save may pad a short line with empty fields up to the longest one.
size_t UsedFields(const Fields& fields)
{
    size_t count = fields.size();
    while (count > 0 && Trimmed(fields[count - 1]).empty())
        --count;
    return count;
}

enum class Section { None, GpsColumns, Gps, AccColumns, Acc, MrkColumns, Mrk };

class Reader {
public:
    Reader(RoundFile& rounds, RoundReadError& error) : rounds_(rounds), error_(error) {}

    bool Line(size_t number, std::string_view line)
    {
        lineNumber_ = number;
        const Fields fields = SplitLine(line);
        if (awaitingGps_) {
            // The session line and "GPS" go out in one write; nothing comes between them.
            awaitingGps_ = false;
            if (!IsWord(fields, "GPS"))
                return Fail("expected the \"GPS\" line after the session line");
            section_ = Section::GpsColumns;
            return true;
        }
        if (rounds_.sessions.empty() && section_ == Section::None) {
            if (!sawTag_ && (IsWord(fields, "bandF") || IsWord(fields, "bandA"))) {
                sawTag_ = true;
                rounds_.modelTag = Trimmed(fields[0]) == "bandF" ? 1 : 2;
                return true;
            }
            int sessionNumber = 0;
            if (fields.size() == 0 || !IsSessionField(fields[0], sessionNumber))
                return Fail("not a play data file: expected a model tag or a SESSION line");
        }

        int sessionNumber = 0;
        if (IsSessionField(fields[0], sessionNumber))
            return SessionLine(sessionNumber, fields);
        if (IsWord(fields, "GPS"))
            return Fail("a GPS section outside a session's start");
        if (IsWord(fields, "ACC"))
            return Enter(Section::AccColumns);
        if (IsWord(fields, "MRK"))
            return Enter(Section::MrkColumns);

        switch (section_) {
        case Section::None:
            return Fail("expected the \"GPS\" line after the session line");
        case Section::GpsColumns:
            if (fields.size() < kFixColumns || Trimmed(fields[0]) != "date" || fields.size() > kGpsNamedColumns)
                return Fail("expected the GPS column line");
            section_ = Section::Gps;
            return true;
        case Section::Gps:
            return FixLine(fields);
        case Section::AccColumns:
            if (UsedFields(fields) != 2 || Trimmed(fields[0]) != "date")
                return Fail("expected the ACC column line");
            section_ = Section::Acc;
            return true;
        case Section::Acc:
            return AccLine(fields);
        case Section::MrkColumns:
            markColumns_ = UsedFields(fields);
            if ((markColumns_ != kMarkColumns && markColumns_ != kMarkColumnsWithClub) || Trimmed(fields[0]) != "GCID")
                return Fail("expected the MRK column line");
            section_ = Section::Mrk;
            return true;
        case Section::Mrk:
            return MarkLine(fields);
        }
        return Fail("unexpected line");
    }

    bool Finish()
    {
        if (awaitingGps_ || section_ == Section::GpsColumns)
            return Fail("the last session stops before its GPS column line");
        return true;
    }

private:
    bool Fail(std::string message)
    {
        error_.line = lineNumber_;
        error_.message = std::move(message);
        return false;
    }

    bool Enter(Section columns)
    {
        if (rounds_.sessions.empty() || section_ == Section::None || section_ == Section::GpsColumns)
            return Fail("a section outside a session");
        section_ = columns;
        return true;
    }

    bool SessionLine(int number, const Fields& fields)
    {
        if (fields.size() < 3)
            return Fail("a session line needs its number, time and golf course name");
        RoundSession session;
        session.number = number;
        if (!ParseStamp(fields[1], session.start))
            return Fail("the session's time is not YYYYMMDD_hhmmss");
        session.golfCourseName = fields.Join(2, fields.size());
        rounds_.sessions.push_back(std::move(session));
        section_ = Section::None;
        awaitingGps_ = true;
        return true;
    }

    bool FixLine(const Fields& fields)
    {
        if (UsedFields(fields) != kFixColumns)
            return Fail("a GPS line needs 10 fields");
        RoundFix fix;
        if (!ParseDate(fields[0], fix.time) || !ParseClock(fields[1], fix.time))
            return Fail("a GPS line's date or time cannot be read");
        if (!ParseDouble(fields[2], fix.longitude) || !ParseDouble(fields[3], fix.latitude))
            return Fail("a GPS line's longitude or latitude is not a number");
        if (!ParseInt(fields[4], fix.satellites) || !ParseInt(fields[5], fix.fixType) ||
            !ParseInt(fields[6], fix.fixMode) || !ParseInt(fields[7], fix.golfCourseId) ||
            !ParseInt(fields[8], fix.courseId) || !ParseInt(fields[9], fix.hole))
            return Fail("a GPS line's counts are not whole numbers");
        rounds_.sessions.back().fixes.push_back(fix);
        return true;
    }

    bool AccLine(const Fields& fields)
    {
        RoundTime time;
        if (UsedFields(fields) != 2 || !ParseDate(fields[0], time) || !ParseClock(fields[1], time))
            return Fail("an ACC line needs a date and a time");
        rounds_.sessions.back().accEvents.push_back(time);
        return true;
    }

    // GCID, golf course name, CID, course name, then fixed forms. A name holding the separator
    // splits into more fields: the golf course name is known from the session line, and the
    // course name takes whatever lies between CID and the fixed columns.
    bool MarkLine(const Fields& fields)
    {
        const size_t used = UsedFields(fields);
        if (used < markColumns_)
            return Fail("an MRK line needs " + std::to_string(markColumns_) + " fields");
        const size_t fixedCount = kMarkFixedColumnsAfterNames + (markColumns_ - kMarkColumns);
        const size_t fixedStart = used - fixedCount;
        const RoundSession& session = rounds_.sessions.back();

        RoundMark mark;
        if (!ParseInt(fields[0], mark.golfCourseId))
            return Fail("an MRK line's GCID is not a whole number");
        size_t courseIdAt = 2;
        if (used > markColumns_) {
            // How many fields the session's own golf course name makes.
            size_t nameFields = 1;
            for (size_t at = session.golfCourseName.find(fields.separator); at != std::string::npos;
                 at = session.golfCourseName.find(fields.separator, at + 1))
                ++nameFields;
            courseIdAt = 1 + nameFields;
            if (courseIdAt + 1 >= fixedStart || fields.Join(1, courseIdAt) != session.golfCourseName)
                return Fail("an MRK line's names hold the field separator and cannot be told apart");
        }
        mark.golfCourseName = fields.Join(1, courseIdAt);
        if (!ParseInt(fields[courseIdAt], mark.courseId))
            return Fail("an MRK line's CID is not a whole number");
        mark.courseName = fields.Join(courseIdAt + 1, fixedStart);

        const size_t f = fixedStart;
        if (!ParseInt(fields[f], mark.hole))
            return Fail("an MRK line's hole is not a whole number");
        if (!ParseDate(fields[f + 1], mark.time) || !ParseClock(fields[f + 2], mark.time))
            return Fail("an MRK line's date or time cannot be read");
        const std::string_view kind = Trimmed(fields[f + 3]);
        if (kind != "s" && kind != "p")
            return Fail("an MRK line's shot or putt is neither \"s\" nor \"p\"");
        mark.putt = kind == "p";
        if (!ParseInt(fields[f + 4], mark.additionalNumber))
            return Fail("an MRK line's additional number is not a whole number");
        if (!ParseDouble(fields[f + 5], mark.longitude) || !ParseDouble(fields[f + 6], mark.latitude))
            return Fail("an MRK line's longitude or latitude is not a number");
        if (markColumns_ == kMarkColumnsWithClub) {
            mark.lie = std::string(Trimmed(fields[f + 7]));
            mark.club = std::string(Trimmed(fields[f + 8]));
        }
        rounds_.sessions.back().marks.push_back(std::move(mark));
        return true;
    }

    RoundFile& rounds_;
    RoundReadError& error_;
    size_t lineNumber_ = 0;
    bool sawTag_ = false;
    bool awaitingGps_ = false;
    Section section_ = Section::None;
    size_t markColumns_ = kMarkColumns;
};

} // namespace

std::string RoundReadError::Text() const
{
    return line == 0 ? message : "line " + std::to_string(line) + ": " + message;
}

bool ReadRounds(std::string_view bytes, RoundFile& rounds, RoundReadError& error)
{
    rounds = RoundFile{};
    error = RoundReadError{};
    const bool hadMark = bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark;
    if (hadMark)
        bytes.remove_prefix(kByteOrderMark.size());
    if (!hadMark && bytes.empty()) {
        error.message = "not a play data file: the file is empty";
        return false;
    }
    if (bytes.find('\0') != std::string_view::npos) {
        error.message = "not a play data file: it holds binary data";
        return false;
    }

    // A spreadsheet may have saved the file back in the system's code page.
    std::string converted;
    if (!IsValidUtf8(bytes)) {
        Cp932Converter converter;
        if (hadMark || !converter.isOpen() || !converter.AppendUtf8(bytes, converted)) {
            error.message = "not a play data file: the text is not UTF-8";
            return false;
        }
        bytes = converted;
    }

    Reader reader(rounds, error);
    size_t number = 0;
    while (!bytes.empty()) {
        ++number;
        const size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (Trimmed(line).empty())
            continue;
        if (!reader.Line(number, line))
            return false;
    }
    return reader.Finish();
}

bool ReadRoundFile(const std::string& path, RoundFile& rounds, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string bytes;
    char chunk[64 * 1024];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        const std::string_view got(chunk, static_cast<size_t>(in.gcount()));
        // Stops at once on a device or an image rather than reading it to the size limit.
        if (got.find('\0') != std::string_view::npos) {
            error = path + ": not a play data file: it holds binary data";
            return false;
        }
        bytes.append(got);
        if (bytes.size() > kMaxRoundFileBytes) {
            error = path + ": not a play data file: larger than " + std::to_string(kMaxRoundFileBytes >> 20) + " MiB";
            return false;
        }
    }
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    RoundReadError readError;
    if (!ReadRounds(bytes, rounds, readError)) {
        error = path + ": " + readError.Text();
        return false;
    }
    return true;
}

} // namespace teedesk
