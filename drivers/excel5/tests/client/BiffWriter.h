// A small BIFF5 workbook writer for the tests: the globals (BOF, DATEMODE,
// XF records with chosen number formats, one BOUNDSHEET per sheet, NAME
// records of 3-D areas, EOF) and sheets of cell records written as Excel
// itself writes them, RK in its four forms and MULRK runs included.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class BiffWriter {
public:
    using Bytes = std::vector<std::uint8_t>;

    // Cell format `xf` gets number format `format` (formats added in order).
    void addXf(std::uint16_t format) { formats_.push_back(format); }
    void set1904() { date1904_ = true; }
    // A range of sheet `sheet`: rows and columns from 0.
    void addName(const std::string& name, std::uint16_t sheet, std::uint16_t firstRow,
                 std::uint16_t lastRow, std::uint8_t firstColumn, std::uint8_t lastColumn);
    // Starts a new sheet; the cell records below go into it.
    void addSheet() { sheets_.emplace_back(); }

    void record(std::uint16_t number, const Bytes& body);
    void label(std::uint16_t row, std::uint16_t column, const std::string& text);
    void rstring(std::uint16_t row, std::uint16_t column, const std::string& text);
    void number(std::uint16_t row, std::uint16_t column, std::uint16_t xf, double value);
    void rk(std::uint16_t row, std::uint16_t column, std::uint16_t xf, std::uint32_t rk);
    // One MULRK record: (xf, rk) pairs from `firstColumn`.
    void mulrk(std::uint16_t row, std::uint16_t firstColumn,
               const std::vector<std::pair<std::uint16_t, std::uint32_t>>& cells);
    void boolerr(std::uint16_t row, std::uint16_t column, std::uint8_t value, bool error);
    void formulaText(std::uint16_t row, std::uint16_t column, const std::string& result);
    void blank(std::uint16_t row, std::uint16_t column);

    // The "Book" stream.
    Bytes build() const;

    // RK encodings: an integer, an integer of hundredths, a double whose
    // low 34 bits are zero, and such a double of hundredths.
    static std::uint32_t rkInteger(std::int32_t value) {
        return static_cast<std::uint32_t>(value) << 2 | 2;
    }
    static std::uint32_t rkIntegerCents(std::int32_t cents) { return rkInteger(cents) | 1; }
    static std::uint32_t rkDouble(double value);
    static std::uint32_t rkDoubleCents(double hundredFold) { return rkDouble(hundredFold) | 1; }

private:
    struct Name {
        std::string text;
        std::uint16_t sheet, firstRow, lastRow;
        std::uint8_t firstColumn, lastColumn;
    };
    static void put(Bytes& out, std::uint16_t number, const Bytes& body);
    static void add16(Bytes& out, std::uint16_t value);

    std::vector<std::uint16_t> formats_;
    std::vector<Name> names_;
    std::vector<Bytes> sheets_;
    bool date1904_ = false;
};
