// The statement text path of the engine: escape clauses expanded with the
// canonical forms, then the SELECT parser and expression compiler over two
// small in-memory tables; a text that prepares is executed and its rows
// fetched. Every failure must come back as an error record.
#include <sql.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FlatSelectTestSupport.h"
#include "base/BaseDefaultEscapeHost.h"
#include "base/BaseEscapeProcessor.h"
#include "base/BaseSqlString.h"

namespace {

// Rows fetched at most per input: a cross product of the sample tables
// can be large, and fetching more finds nothing new.
constexpr int MAX_ROWS = 64;

SelectFixture& fixture() {
    static SelectFixture* f = [] {
        auto* made = new SelectFixture;
        made->params.values[1] = FakeValue::integer(2);
        made->params.values[2] = FakeValue::text("Ann");
        return made;
    }();
    return *f;
}

void runQuery(SelectFixture& f, const char* sql, unsigned mode) {
    f.errors.deleteNodes();
    if (f.desc.parseSelect(sql, mode) != VX_SUCCESS)
        return;
    if (f.desc.execute() != VX_SUCCESS)
        return;
    for (int row = 0; row < MAX_ROWS; ++row) {
        unsigned short atEnd = 0;
        if (f.desc.getNextRecord(&atEnd) != VX_SUCCESS || atEnd)
            break;
        (void)f.currentRow();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    SelectFixture& f = fixture();
    f.errors.deleteNodes();
    // The first byte chooses the options; the rest is the text.
    unsigned flags = data[0];
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    BaseEscapeOptions options;
    options.fullOuterJoins = (flags & 1) != 0;
    options.driverHandlesReturnValue = (flags & 2) != 0;
    BaseDefaultEscapeHost host(options, (flags & 4) ? static_cast<int>((flags >> 3) & 3) : -1);
    BaseEscapeProcessor processor(host, options);
    BaseSqlString sql(text.c_str(), static_cast<long>(text.size()));
    if (processor.process(sql, (flags & 0x20) != 0) == VX_SUCCESS) {
        std::string expanded(sql.data(), sql.length());
        runQuery(f, expanded.c_str(), (flags & 0x40) ? unsigned{FLAT_SELECT_RANDOM} : 0u);
    } else {
        runQuery(f, text.c_str(), 0);
    }
    f.errors.deleteNodes();
    return 0;
}
