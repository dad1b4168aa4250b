#include "CsvSections.h"

#include "CsvFormat.h"
#include "DeviceModel.h"
#include "SessionLayout.h"

namespace teedesk {

namespace {

bool WriteOrClose(CsvWriter& file, std::string_view line)
{
    if (file.WriteCsvLine(line))
        return true;
    file.Close();
    return false;
}

// Every field of a packed time has at most two digits, the year exactly four, so "%02d"
// and "%04d" come out at fixed widths.
char* PutTwo(char* p, int value)
{
    p[0] = static_cast<char>('0' + value / 10);
    p[1] = static_cast<char>('0' + value % 10);
    return p + 2;
}

char* PutYear(char* p, int year) { return PutTwo(PutTwo(p, year / 100), year % 100); }

// "YYYY<sep>MM<sep>DD" in quotes.
void AppendDate(std::string& line, PackedDateTime time, char separator)
{
    char text[12];
    char* p = text;
    *p++ = '"';
    p = PutYear(p, time.year());
    *p++ = separator;
    p = PutTwo(p, time.month());
    *p++ = separator;
    p = PutTwo(p, time.day());
    *p++ = '"';
    line.append(text, p);
}

// "hh:mm:ss" in quotes.
void AppendTime(std::string& line, PackedDateTime time)
{
    char text[10];
    char* p = text;
    *p++ = '"';
    p = PutTwo(p, time.hour());
    *p++ = ':';
    p = PutTwo(p, time.minute());
    *p++ = ':';
    p = PutTwo(p, time.second());
    *p++ = '"';
    line.append(text, p);
}

constexpr std::string_view kGpsColumns =
    "\"date\",\"time\",\"lon\",\"lat\",\"sats\",\"fix type\",\"fix mode\",\"gcid\",\"cid\",\"hole\","
    "\"marked\",\"auto marked\",\"shot/putt\"\n";
constexpr std::string_view kAccHead = "\"ACC\"\n\"date\",\"time\"\n";
constexpr std::string_view kMrkHead =
    "\"MRK\"\n\"GCID\",\"Golf Course name\",\"CID\",\"Course name\",\"Hole No\",\"Date\",\"time\","
    "\"Shot (s) or Putt (p)\",\"Additional No\",\"Longitude\",\"Latitude\"";
constexpr std::string_view kMrkBandAColumns = ",\"Fairway/Rough\",\"club\"";

} // namespace

bool WriteGpsSection(CsvSessionState& state, CsvWriter& file, std::span<const uint8_t> session)
{
    const SessionView view(session);
    const SessionHeader header = view.header();
    std::string& line = file.lineBuffer();

    if (!state.gpsHeaderWritten) {
        state.gpsHeaderWritten = true;
        const PackedDateTime start = view.startTime();
        char stamp[17];
        char* p = stamp;
        *p++ = '"';
        p = PutTwo(PutTwo(PutYear(p, start.year()), start.month()), start.day());
        *p++ = '_';
        p = PutTwo(PutTwo(PutTwo(p, start.hour()), start.minute()), start.second());
        *p++ = '"';
        line.assign(stamp, p);
        line += ',';
        AppendField(line, header.GolfCourseName());
        line += "\n\"GPS\"\n";
        if (!WriteOrClose(file, line) || !WriteOrClose(file, kGpsColumns))
            return false;
    }

    const int32_t longitudeBase = header.LongitudeBase();
    const int32_t latitudeBase = header.LatitudeBase();
    const uint16_t golfCourseId = header.GolfCourseId();
    return view.WalkSlots([&](const SessionRecord& record) {
        switch (record.type()) {
        case RecordType::Mark:
            state.hasMarks = true;
            return true;
        case RecordType::AccEvent:
            state.hasAccEvents = true;
            return true;
        case RecordType::Unused:
            return true;
        case RecordType::GpsFix:
            break;
        }
        if (record.fixMode() < 2)
            return true;
        const PackedDateTime time = record.time();
        line.clear();
        AppendDate(line, time, '-');
        line += ',';
        AppendTime(line, time);
        line += ',';
        AppendFixed6Field(line, Degrees(longitudeBase, record.longitudeOffset()));
        line += ',';
        AppendFixed6Field(line, Degrees(latitudeBase, record.latitudeOffset()));
        line += ',';
        AppendDecimalField(line, record.satellites());
        line += ',';
        AppendDecimalField(line, record.fixType());
        line += ',';
        AppendDecimalField(line, record.fixMode());
        line += ',';
        AppendDecimalField(line, golfCourseId);
        line += ',';
        AppendDecimalField(line, record.courseId());
        line += ',';
        AppendDecimalField(line, record.hole());
        line += '\n';
        return WriteOrClose(file, line);
    });
}

bool WriteAccSection(CsvSessionState& state, CsvWriter& file, std::span<const uint8_t> session)
{
    if (file.modelIndex() == kModelBandF)
        return true;
    if (!state.accHeaderWritten) {
        state.accHeaderWritten = true;
        if (!WriteOrClose(file, kAccHead))
            return false;
    }
    std::string& line = file.lineBuffer();
    return SessionView(session).WalkSlots([&](const SessionRecord& record) {
        if (record.type() != RecordType::AccEvent)
            return true;
        line.clear();
        AppendDate(line, record.time(), '/');
        line += ',';
        AppendTime(line, record.time());
        line += '\n';
        return WriteOrClose(file, line);
    });
}

bool WriteMrkSection(CsvSessionState& state, CsvWriter& file, std::span<const uint8_t> session)
{
    std::string& line = file.lineBuffer();
    if (!state.mrkHeaderWritten) {
        state.mrkHeaderWritten = true;
        line.assign(kMrkHead);
        if (file.modelIndex() == kModelBandA)
            line.append(kMrkBandAColumns);
        line += '\n';
        if (!WriteOrClose(file, line))
            return false;
    }

    const SessionView view(session);
    const SessionHeader header = view.header();
    return view.WalkSlots([&](const SessionRecord& record) {
        if (record.type() != RecordType::Mark)
            return true;
        line.clear();
        AppendDecimalField(line, header.GolfCourseId());
        line += ',';
        AppendField(line, header.GolfCourseName());
        line += ',';
        AppendDecimalField(line, record.courseId());
        line += ',';
        AppendField(line, header.CourseName(record.courseId()));
        line += ',';
        AppendDecimalField(line, record.hole());
        line += ',';
        AppendDate(line, record.time(), '-');
        line += ',';
        AppendTime(line, record.time());
        line += ',';
        AppendField(line, record.isPutt() ? "p" : "s");
        line += ',';
        AppendDecimalField(line, record.additionalNumber());
        line += ',';
        AppendFixed6Field(line, Degrees(header.LongitudeBase(), record.longitudeOffset()));
        line += ',';
        AppendFixed6Field(line, Degrees(header.LatitudeBase(), record.latitudeOffset()));
        if (file.modelIndex() == kModelBandA) {
            line += ',';
            AppendField(line, LieName(record.lieCode()));
            line += ',';
            AppendField(line, ClubName(record.clubIndex()));
        }
        line += '\n';
        return WriteOrClose(file, line);
    });
}

bool WriteFileStart(CsvWriter& file)
{
    if (!file.WriteBytes("\xEF\xBB\xBF"))
        return false;
    switch (file.modelIndex()) {
    case kModelBandF: return file.WriteCsvLine("\"bandF\"\n");
    case kModelBandA: return file.WriteCsvLine("\"bandA\"\n");
    default: return true;
    }
}

bool WriteSession(CsvWriter& file, uint32_t index, std::span<const uint8_t> session)
{
    CsvSessionState state;
    std::string& line = file.lineBuffer();
    line.assign("\"SESSION");
    AppendDecimal(line, int64_t{index} + 1);
    line += "\",";
    // A failed session line start also ends the file, so no later session lands after a
    // half-written one.
    if (!WriteOrClose(file, line))
        return false;
    bool written = WriteGpsSection(state, file, session);
    if (state.hasAccEvents)
        written = WriteAccSection(state, file, session) && written;
    if (state.hasMarks)
        written = WriteMrkSection(state, file, session) && written;
    return written;
}

} // namespace teedesk
