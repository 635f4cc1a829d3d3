// fuzz_table.cpp -- libFuzzer target: any bytes as "scores.txt". What the reader keeps must be
// bounded, written back the same, and read again unchanged.
#include "flow/table.h"
#include "fuzz.h"

static bool Same(const TableEntry& a, const TableEntry& b) {
    return a.score == b.score && a.name == b.name && a.players == b.players && a.difficulty == b.difficulty &&
           a.date == b.date && a.replay == b.replay;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> problems;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<TableEntry> table = ParseTable(text, &problems);
    if (table.size() > 2 * 4 * TABLE_PLACES) Finding("more entries than the tables hold");
    std::vector<std::string> again;
    const std::vector<TableEntry> reread = ParseTable(TableText(table), &again);
    if (!again.empty() || reread.size() != table.size()) Finding("a written table does not read back");
    for (size_t i = 0; i < table.size(); i++)
        if (!Same(table[i], reread[i])) Finding("an entry changed on its way through the file");
    return 0;
}
