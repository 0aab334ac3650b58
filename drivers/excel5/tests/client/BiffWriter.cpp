#include "BiffWriter.h"

#include <cstring>

namespace {

constexpr std::uint16_t BOF = 0x0809, EOF_RECORD = 0x000A, DATEMODE = 0x0022, XF = 0x00E0,
                        BOUNDSHEET = 0x0085, NAME = 0x0018, LABEL = 0x0204, RSTRING = 0x00D6,
                        NUMBER = 0x0203, RK = 0x027E, MULRK = 0x00BD, BOOLERR = 0x0205,
                        FORMULA = 0x0006, STRING = 0x0207, BLANK = 0x0201;

BiffWriter::Bytes cellHead(std::uint16_t row, std::uint16_t column, std::uint16_t xf) {
    return {static_cast<std::uint8_t>(row),    static_cast<std::uint8_t>(row >> 8),
            static_cast<std::uint8_t>(column), static_cast<std::uint8_t>(column >> 8),
            static_cast<std::uint8_t>(xf),     static_cast<std::uint8_t>(xf >> 8)};
}

void add32(BiffWriter::Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void addDouble(BiffWriter::Bytes& out, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

void addText(BiffWriter::Bytes& out, const std::string& text) {
    out.push_back(static_cast<std::uint8_t>(text.size()));
    out.push_back(static_cast<std::uint8_t>(text.size() >> 8));
    out.insert(out.end(), text.begin(), text.end());
}

} // namespace

std::uint32_t BiffWriter::rkDouble(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return static_cast<std::uint32_t>(bits >> 32) & 0xFFFFFFFCu;
}

void BiffWriter::add16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void BiffWriter::put(Bytes& out, std::uint16_t number, const Bytes& body) {
    add16(out, number);
    add16(out, static_cast<std::uint16_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

void BiffWriter::addName(const std::string& name, std::uint16_t sheet, std::uint16_t firstRow,
                         std::uint16_t lastRow, std::uint8_t firstColumn, std::uint8_t lastColumn) {
    names_.push_back({name, sheet, firstRow, lastRow, firstColumn, lastColumn});
}

void BiffWriter::record(std::uint16_t number, const Bytes& body) {
    put(sheets_.back(), number, body);
}

void BiffWriter::label(std::uint16_t row, std::uint16_t column, const std::string& text) {
    Bytes body = cellHead(row, column, 0);
    addText(body, text);
    record(LABEL, body);
}

void BiffWriter::rstring(std::uint16_t row, std::uint16_t column, const std::string& text) {
    Bytes body = cellHead(row, column, 0);
    addText(body, text);
    // Two formatting runs: character position and font index.
    body.insert(body.end(), {2, 0, 1, 1, 0, 0});
    record(RSTRING, body);
}

void BiffWriter::number(std::uint16_t row, std::uint16_t column, std::uint16_t xf, double value) {
    Bytes body = cellHead(row, column, xf);
    addDouble(body, value);
    record(NUMBER, body);
}

void BiffWriter::rk(std::uint16_t row, std::uint16_t column, std::uint16_t xf,
                    std::uint32_t value) {
    Bytes body = cellHead(row, column, xf);
    add32(body, value);
    record(RK, body);
}

void BiffWriter::mulrk(std::uint16_t row, std::uint16_t firstColumn,
                       const std::vector<std::pair<std::uint16_t, std::uint32_t>>& cells) {
    Bytes body;
    add16(body, row);
    add16(body, firstColumn);
    for (const auto& cell : cells) {
        add16(body, cell.first);
        add32(body, cell.second);
    }
    add16(body, static_cast<std::uint16_t>(firstColumn + cells.size() - 1));
    record(MULRK, body);
}

void BiffWriter::boolerr(std::uint16_t row, std::uint16_t column, std::uint8_t value, bool error) {
    Bytes body = cellHead(row, column, 0);
    body.push_back(value);
    body.push_back(error ? 1 : 0);
    record(BOOLERR, body);
}

void BiffWriter::formulaText(std::uint16_t row, std::uint16_t column, const std::string& result) {
    Bytes body = cellHead(row, column, 0);
    body.insert(body.end(), {0, 0, 0, 0, 0, 0, 0xFF, 0xFF});       // a text result
    body.insert(body.end(), {0, 0, 0, 0, 0, 0, 3, 0, 0x17, 0, 0}); // flags, chain, tokens
    record(FORMULA, body);
    Bytes text;
    addText(text, result);
    record(STRING, text);
}

void BiffWriter::blank(std::uint16_t row, std::uint16_t column) {
    record(BLANK, cellHead(row, column, 0));
}

BiffWriter::Bytes BiffWriter::build() const {
    const Bytes bof = {0x00, 0x05, 0x05, 0x00, 0, 0, 0, 0};
    const Bytes sheetBof = {0x00, 0x05, 0x10, 0x00, 0, 0, 0, 0};
    Bytes globals;
    put(globals, BOF, bof);
    if (date1904_)
        put(globals, DATEMODE, {1, 0});
    for (std::uint16_t format : formats_) {
        Bytes body(16, 0);
        body[2] = static_cast<std::uint8_t>(format);
        body[3] = static_cast<std::uint8_t>(format >> 8);
        put(globals, XF, body);
    }
    for (const Name& name : names_) {
        Bytes body(14, 0);
        body[3] = static_cast<std::uint8_t>(name.text.size());
        body[4] = 21;
        body.insert(body.end(), name.text.begin(), name.text.end());
        Bytes area(21, 0);
        area[0] = 0x3B;
        area[1] = area[2] = 0xFF;
        area[11] = area[13] = static_cast<std::uint8_t>(name.sheet);
        area[15] = static_cast<std::uint8_t>(name.firstRow);
        area[16] = static_cast<std::uint8_t>(name.firstRow >> 8);
        area[17] = static_cast<std::uint8_t>(name.lastRow);
        area[18] = static_cast<std::uint8_t>(name.lastRow >> 8);
        area[19] = name.firstColumn;
        area[20] = name.lastColumn;
        body.insert(body.end(), area.begin(), area.end());
        put(globals, NAME, body);
    }
    // BOUNDSHEET records: 4-byte offset, visibility, type, name.
    const std::size_t sheetRecord = 4 + 4 + 2 + 1 + 6;
    std::size_t offset = globals.size() + sheets_.size() * sheetRecord + 4;
    std::vector<std::size_t> starts;
    for (const Bytes& sheet : sheets_) {
        starts.push_back(offset);
        offset += 4 + bof.size() + sheet.size() + 4;
    }
    for (std::size_t i = 0; i < sheets_.size(); ++i) {
        Bytes body;
        add32(body, static_cast<std::uint32_t>(starts[i]));
        body.insert(body.end(),
                    {0, 0, 6, 'S', 'h', 'e', 'e', 't', static_cast<std::uint8_t>('1' + i)});
        put(globals, BOUNDSHEET, body);
    }
    put(globals, EOF_RECORD, {});
    for (const Bytes& sheet : sheets_) {
        put(globals, BOF, sheetBof);
        globals.insert(globals.end(), sheet.begin(), sheet.end());
        put(globals, EOF_RECORD, {});
    }
    return globals;
}
