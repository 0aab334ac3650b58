#include "CompoundWriter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {
constexpr std::uint32_t FREE = 0xFFFFFFFFu, END = 0xFFFFFFFEu, FATSECT = 0xFFFFFFFDu,
                        DIFSECT = 0xFFFFFFFCu;
constexpr std::size_t CUTOFF = 4096;

std::string upper(const std::string& s) {
    std::string u = s;
    for (char& c : u)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return u;
}
} // namespace

void CompoundWriter::put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void CompoundWriter::put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void CompoundWriter::addStream(const std::string& name, std::vector<std::uint8_t> data) {
    streams_.push_back({name, std::move(data)});
}

std::uint32_t CompoundWriter::appendSectors(const std::uint8_t* data, std::size_t length) {
    std::size_t size = sectorSize();
    std::size_t count = (length + size - 1) / size;
    auto first = static_cast<std::uint32_t>(fat_.size());
    if (count == 0)
        return END;
    for (std::size_t i = 0; i < count; ++i)
        fat_.push_back(i + 1 < count ? first + static_cast<std::uint32_t>(i) + 1 : END);
    std::size_t at = body_.size();
    body_.resize(at + count * size, 0);
    if (length)
        std::memcpy(body_.data() + at, data, length);
    return first;
}

const std::vector<std::uint8_t>& CompoundWriter::build() {
    fat_.clear();
    body_.clear();
    starts_.assign(streams_.size(), END);
    std::vector<std::uint8_t> mini;
    std::vector<std::uint32_t> miniFat;
    for (std::size_t i = 0; i < streams_.size(); ++i) {
        const auto& data = streams_[i].data;
        if (data.size() >= CUTOFF) {
            starts_[i] = appendSectors(data.data(), data.size());
        } else if (!data.empty()) {
            std::size_t count = (data.size() + 63) / 64;
            auto first = static_cast<std::uint32_t>(miniFat.size());
            for (std::size_t k = 0; k < count; ++k)
                miniFat.push_back(k + 1 < count ? first + static_cast<std::uint32_t>(k) + 1 : END);
            starts_[i] = first;
            std::size_t at = mini.size();
            mini.resize(at + count * 64, 0);
            std::memcpy(mini.data() + at, data.data(), data.size());
        }
    }
    std::uint32_t miniStart = appendSectors(mini.data(), mini.size());
    std::vector<std::uint8_t> miniFatBytes(miniFat.size() * 4);
    for (std::size_t i = 0; i < miniFat.size(); ++i)
        put32(miniFatBytes.data() + 4 * i, miniFat[i]);
    std::size_t perSector = sectorSize() / 4;
    miniFatBytes.resize((miniFatBytes.size() + sectorSize() - 1) / sectorSize() * sectorSize(),
                        0xFF);
    miniFatStart_ = miniFat.empty() ? END : appendSectors(miniFatBytes.data(), miniFatBytes.size());
    auto miniFatCount = static_cast<std::uint32_t>(miniFatBytes.size() / sectorSize());

    // Directory: the root, then the streams linked as right siblings in
    // ascending order (length first, then upper case), a valid degenerate tree.
    std::vector<std::size_t> order(streams_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        const std::string &x = streams_[a].name, &y = streams_[b].name;
        return x.size() != y.size() ? x.size() < y.size() : upper(x) < upper(y);
    });
    std::vector<std::uint8_t> dir((streams_.size() + 1) * 128, 0);
    auto entry = [&](std::size_t index, const std::string& name, std::uint8_t type,
                     std::uint32_t child, std::uint32_t right, std::uint32_t start,
                     std::uint64_t size) {
        std::uint8_t* e = dir.data() + index * 128;
        for (std::size_t c = 0; c < name.size() && c < 31; ++c)
            put16(e + 2 * c, static_cast<std::uint8_t>(name[c]));
        put16(e + 64, static_cast<std::uint16_t>((std::min<std::size_t>(name.size(), 31) + 1) * 2));
        e[66] = type;
        e[67] = 1; // black
        put32(e + 68, FREE);
        put32(e + 72, right);
        put32(e + 76, child);
        put32(e + 116, start);
        put32(e + 120, static_cast<std::uint32_t>(size));
        put32(e + 124, static_cast<std::uint32_t>(size >> 32));
    };
    // Entry k + 1 is the k-th stream in name order.
    entry(0, "Root Entry", 5, streams_.empty() ? FREE : 1, FREE, miniStart, mini.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        const Stream& s = streams_[order[k]];
        entry(k + 1, s.name, 2, FREE,
              k + 1 < order.size() ? static_cast<std::uint32_t>(k + 2) : FREE, starts_[order[k]],
              s.data.size());
    }
    dir.resize((dir.size() + sectorSize() - 1) / sectorSize() * sectorSize(), 0);
    // Unused entries stay zero: type 0.
    directoryStart_ = appendSectors(dir.data(), dir.size());

    // FAT and DIFAT sectors cover all sectors, themselves included.
    std::size_t dataSectors = fat_.size();
    std::size_t fatCount = 0, difatCount = 0;
    for (;;) {
        std::size_t total = dataSectors + fatCount + difatCount;
        std::size_t needFat = (total + perSector - 1) / perSector;
        std::size_t needDifat =
            needFat > 109 ? (needFat - 109 + perSector - 2) / (perSector - 1) : 0;
        if (needFat == fatCount && needDifat == difatCount)
            break;
        fatCount = needFat;
        difatCount = needDifat;
    }
    fatCount_ = static_cast<std::uint32_t>(fatCount);
    difatCount_ = static_cast<std::uint32_t>(difatCount);
    fatSectors_.clear();
    for (std::size_t i = 0; i < fatCount; ++i) {
        fatSectors_.push_back(static_cast<std::uint32_t>(fat_.size()));
        fat_.push_back(FATSECT);
    }
    std::vector<std::uint32_t> difatSectors;
    for (std::size_t i = 0; i < difatCount; ++i) {
        difatSectors.push_back(static_cast<std::uint32_t>(fat_.size()));
        fat_.push_back(DIFSECT);
    }
    fat_.resize(fatCount * perSector, FREE);
    std::size_t fatAt = body_.size();
    body_.resize(fatAt + fatCount * sectorSize());
    for (std::size_t i = 0; i < fat_.size(); ++i)
        put32(body_.data() + fatAt + 4 * i, fat_[i]);
    std::size_t difatAt = body_.size();
    body_.resize(difatAt + difatCount * sectorSize(), 0xFF);
    for (std::size_t d = 0; d < difatCount; ++d) {
        std::uint8_t* s = body_.data() + difatAt + d * sectorSize();
        for (std::size_t k = 0; k < perSector - 1; ++k) {
            std::size_t f = 109 + d * (perSector - 1) + k;
            put32(s + 4 * k, f < fatCount ? fatSectors_[f] : FREE);
        }
        put32(s + 4 * (perSector - 1), d + 1 < difatCount ? difatSectors[d + 1] : END);
    }

    file_.assign(sectorSize(), 0);
    std::uint8_t* h = file_.data();
    const std::uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(h, sig, 8);
    put16(h + 24, 0x3E);
    put16(h + 26, shift_ == 12 ? 4 : 3);
    put16(h + 28, 0xFFFE);
    put16(h + 30, static_cast<std::uint16_t>(shift_));
    put16(h + 32, 6);
    put32(h + 40, shift_ == 12 ? static_cast<std::uint32_t>(dir.size() / sectorSize()) : 0);
    put32(h + 44, fatCount_);
    put32(h + 48, directoryStart_);
    put32(h + 56, CUTOFF);
    put32(h + 60, miniFatStart_);
    put32(h + 64, miniFatCount);
    put32(h + 68, difatCount ? difatSectors[0] : END);
    put32(h + 72, difatCount_);
    for (std::size_t i = 0; i < 109; ++i)
        put32(h + 76 + 4 * i, i < fatCount ? fatSectors_[i] : FREE);
    file_.insert(file_.end(), body_.begin(), body_.end());
    return file_;
}

void CompoundWriter::setFatEntry(std::uint32_t sector, std::uint32_t value) {
    std::size_t perSector = sectorSize() / 4;
    put32(file_.data() + sectorOffset(fatSectors_[sector / perSector]) + 4 * (sector % perSector),
          value);
}

void CompoundWriter::setMiniFatEntry(std::uint32_t sector, std::uint32_t value) {
    // The mini FAT sectors are contiguous.
    put32(file_.data() + sectorOffset(miniFatStart_) + 4 * sector, value);
}

std::size_t CompoundWriter::entryOffset(std::size_t index) const {
    // The directory sectors are contiguous.
    return sectorOffset(directoryStart_) + index * 128;
}

std::string writeTestFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/xls_" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
}
