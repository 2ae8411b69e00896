#include "sim/cell_table_file.h"

#include <stdexcept>

#include "device/cell_file.h"

namespace norvane::sim {

namespace {

std::string ProblemWith(const TCellReference& reference) {
    return reference.Kind == TCellReference::TKind::Missing
               ? "does not begin with a cell number and a comma"
               : "names a cell outside " + std::to_string(kFirstCell) + ".." +
                     std::to_string(kLastCell);
}

}  // namespace

TCellTable LoadCellTable(const std::string& path) {
    TCellTable table;
    std::size_t lineNumber = 0;
    for (std::string& line : device::ReadCellFileLines(path)) {
        ++lineNumber;
        const TCellReference reference = table.StoreDefinition(std::move(line));
        if (reference.Kind != TCellReference::TKind::Valid) {
            throw std::runtime_error(path + " line " + std::to_string(lineNumber) + " " +
                                     ProblemWith(reference));
        }
    }
    return table;
}

void SaveCellTable(const TCellTable& table, const std::string& path) {
    device::TCellFileWriter writer(path);
    for (const std::string& definition : table.DefinitionsInCellOrder()) {
        writer.AppendLine(definition);
    }
    writer.Commit();
}

}  // namespace norvane::sim
