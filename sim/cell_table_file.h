#pragma once
// The cell table to and from a cell file, the same format the computer's download writes,
// so a table saved here can be uploaded, and a download can be loaded here.

#include <string>

#include "sim/cell_table.h"

namespace norvane::sim {

// Every line goes to the cell its leading number names; a later line for the same cell
// wins, as on the instrument. A line without a valid cell number is an error (naming file
// and line): loading it silently would leave a table that differs from the file.
TCellTable LoadCellTable(const std::string& path);

// Replaces the file with the table in ascending cell order; the old file stays whole if
// writing fails. Throws with the cause.
void SaveCellTable(const TCellTable& table, const std::string& path);

}  // namespace norvane::sim
