// bench_sort: sorts 1,000,000 records of 40 bytes (39 printable key bytes and
// a line feed) through VxSort with its 4 MiB of buffers, so that it writes
// runs and merges them, checks the order and prints the time. The same data
// is written to a file in $TMPDIR and sorted there with "LC_ALL=C sort" for
// comparison; both outputs must be equal byte for byte.
//
// Usage: bench_sort [record count]
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "util/VxError.h"
#include "util/VxSort.h"

namespace {

constexpr std::uint32_t RECORD = 40;
constexpr std::uint32_t KEY = RECORD - 1;

// splitmix64: a fixed sequence, the same on every run.
std::uint64_t nextRandom(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::vector<char> makeRecords(std::uint32_t count) {
    std::vector<char> data(static_cast<std::size_t>(count) * RECORD);
    std::uint64_t state = 20261207;
    for (std::uint32_t i = 0; i < count; ++i) {
        char* r = &data[static_cast<std::size_t>(i) * RECORD];
        std::uint64_t bits = 0;
        for (std::uint32_t j = 0; j < KEY; ++j) {
            if (j % 8 == 0)
                bits = nextRandom(state);
            r[j] = static_cast<char>('!' + (bits & 0xFF) % 94); // '!' .. '~'
            bits >>= 8;
        }
        r[KEY] = '\n';
    }
    return data;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool writeFile(const std::string& name, const char* data, std::size_t length) {
    std::FILE* f = std::fopen(name.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data, 1, length, f) == length;
    return std::fclose(f) == 0 && ok;
}

void printErrors(VxErrorList& list) {
    for (VxError* e = list.removeFirstError(); e; e = list.removeFirstError()) {
        std::fprintf(stderr, "  error %u: %s\n", e->getNumber(), e->getErrorText());
        if (!e->isStatic())
            delete e;
    }
}

// Sorts through VxSort into `out`; false on failure or a wrong order.
bool runVxSort(const std::vector<char>& data, std::uint32_t count, std::vector<char>& out,
               double* seconds, std::uint32_t* runs) {
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    auto start = std::chrono::steady_clock::now();
    VxSort sort(RECORD);
    if (sort.addKey(0, 0, KEY) != VX_SUCCESS) {
        printErrors(list);
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i)
        if (sort.addRecord(&data[static_cast<std::size_t>(i) * RECORD]) != VX_SUCCESS) {
            printErrors(list);
            return false;
        }
    out.clear();
    out.reserve(data.size());
    const void* record = nullptr;
    if (sort.getSorted(&record) != VX_SUCCESS) {
        printErrors(list);
        return false;
    }
    while (record) {
        const char* r = static_cast<const char*>(record);
        out.insert(out.end(), r, r + RECORD);
        if (sort.getSorted(&record) != VX_SUCCESS) {
            printErrors(list);
            return false;
        }
    }
    *seconds = secondsSince(start);
    *runs = sort.getRunCount();
    if (out.size() != data.size()) {
        std::fprintf(stderr, "VxSort returned %zu records of %u\n", out.size() / RECORD, count);
        return false;
    }
    for (std::size_t i = RECORD; i < out.size(); i += RECORD)
        if (std::memcmp(&out[i - RECORD], &out[i], RECORD) > 0) {
            std::fprintf(stderr, "VxSort output out of order at record %zu\n", i / RECORD);
            return false;
        }
    return true;
}

// Times one sort(1) command line; negative when it fails.
double timeCommand(const std::string& command) {
    auto start = std::chrono::steady_clock::now();
    int rc = std::system(command.c_str());
    double seconds = secondsSince(start);
    return rc == 0 ? seconds : -1.0;
}

} // namespace

int main(int argc, char** argv) {
    std::uint32_t count =
        argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 1000000u;
    std::vector<char> data = makeRecords(count);
    std::vector<char> sorted;
    double vxSeconds = 0;
    std::uint32_t runs = 0;
    if (!runVxSort(data, count, sorted, &vxSeconds, &runs))
        return 1;
    std::printf("VxSort: %u records of %u bytes, 4 MiB of buffers, %u runs merged: %.3f s\n", count,
                RECORD, runs, vxSeconds);

    const char* tmp = std::getenv("TMPDIR");
    std::string dir = tmp && *tmp ? tmp : "/tmp";
    std::string input = dir + "/bench_sort_input.txt";
    std::string output = dir + "/bench_sort_output.txt";
    std::string expected = dir + "/bench_sort_vxsort.txt";
    if (!writeFile(input, data.data(), data.size()) ||
        !writeFile(expected, sorted.data(), sorted.size())) {
        std::fprintf(stderr, "cannot write the data files in %s\n", dir.c_str());
        return 1;
    }
    struct Variant {
        const char* label;
        const char* options;
    } variants[] = {{"sort(1) defaults", ""},
                    {"sort(1) -S 4M --parallel=1", "-S 4M --parallel=1 "}};
    int status = 0;
    for (const Variant& v : variants) {
        std::string command =
            "LC_ALL=C sort " + std::string(v.options) + "-o '" + output + "' '" + input + "'";
        double seconds = timeCommand(command);
        if (seconds < 0) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            status = 1;
            continue;
        }
        bool same = std::system(("cmp -s '" + output + "' '" + expected + "'").c_str()) == 0;
        std::printf("%s: %.3f s (%s)  [%s]\n", v.label, seconds,
                    same ? "same output as VxSort" : "OUTPUT DIFFERS", command.c_str());
        if (!same)
            status = 1;
    }
    std::remove(input.c_str());
    std::remove(output.c_str());
    std::remove(expected.c_str());
    return status;
}
