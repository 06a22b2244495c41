// kolv-cli idf / time-intensity: list and edit the IDF coefficients and the user-defined time-intensity tables.
#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/command.h"
#include "cli/output.h"
#include "cli/project_access.h"
#include "common/number_input.h"
#include "common/text.h"
#include "common/vb_format.h"
#include "editing/rainfall_tables.h"

namespace kolv::cli {
namespace {

using editing::TableGrid;

/// Options shared by both commands; rows and columns are numbered from 1 as listed.
struct GridOptions {
    std::string path;
    std::vector<std::string> set;  // ROW COLUMN VALUE
    std::string pasteFile;         // "-" = standard input
    std::size_t pasteRow = 0;      // 0 = after the last row
    std::size_t pasteColumn = 1;
    std::vector<std::size_t> deleteRows;
    Format format = Format::Text;
};

/// The grid as rows keyed by the stored field names, numbers as numbers.
void printGrid(const TableGrid& grid, const std::string& command, const db::Project& project, Format format,
               int exitCode) {
    Output out;
    out.command = command;
    out.describe(project, false);
    for (const auto& c : grid.columns()) out.columns.push_back(c.field);
    for (std::size_t i = 0; i < grid.rowCount(); ++i) {
        std::vector<Json> row;
        for (std::size_t j = 0; j < grid.columns().size(); ++j)
            row.push_back(grid.columns()[j].numeric ? cellValue(grid.cell(i, j)) : Json(trim(grid.cell(i, j))));
        out.addRow(row);
    }
    printOutput(out, format, exitCode);
}

void printGrid(const TableGrid& grid) {
    std::vector<std::size_t> widths;
    for (const auto& c : grid.columns()) widths.push_back(std::max<std::size_t>(c.caption.size(), 6));
    for (const auto& r : grid.rows())
        for (std::size_t j = 0; j < r.cells.size(); ++j) widths[j] = std::max(widths[j], r.cells[j].size());
    std::string line = fmt::format("{:>4}", "#");
    for (std::size_t j = 0; j < widths.size(); ++j) line += fmt::format("  {:<{}}", grid.columns()[j].caption, widths[j]);
    std::cout << rtrim(line) << "\n";
    for (std::size_t i = 0; i < grid.rowCount(); ++i) {
        line = fmt::format("{:>4}", i + 1);
        for (std::size_t j = 0; j < widths.size(); ++j) {
            const auto& c = grid.columns()[j];
            line += c.numeric ? fmt::format("  {:>{}}", grid.cell(i, j), widths[j])
                              : fmt::format("  {:<{}}", grid.cell(i, j), widths[j]);
        }
        std::cout << rtrim(line) << "\n";
    }
}

/// Column by its number (1..n) or its caption; 0 when neither.
std::size_t columnOf(const TableGrid& grid, const std::string& text) {
    for (std::size_t j = 0; j < grid.columns().size(); ++j)
        if (equalsIgnoreCase(trim(text), grid.columns()[j].caption) || equalsIgnoreCase(trim(text), grid.columns()[j].field))
            return j + 1;
    if (const input::NumberCheck n = input::parseNumber(text, "Column"); n.ok()) {
        const double v = *n.value;
        if (v >= 1 && v <= static_cast<double>(grid.columns().size()) && v == static_cast<long>(v))
            return static_cast<std::size_t>(v);
    }
    return 0;
}

/// Applies the editing options in the order set, paste, delete. False when one was refused.
bool edit(TableGrid& grid, const GridOptions& o, Context& ctx) {
    if (!o.set.empty()) {
        if (o.set.size() % 3 != 0) {
            ctx.ui.invalidData("--set takes ROW COLUMN VALUE.");
            return false;
        }
        for (std::size_t k = 0; k < o.set.size(); k += 3) {
            const double row = input::numberOr(o.set[k], 0.0);
            const std::size_t col = columnOf(grid, o.set[k + 1]);
            if (row < 1 || row > static_cast<double>(grid.rowCount()) || row != static_cast<long>(row)) {
                ctx.ui.invalidData(fmt::format("Row '{}' is not listed (1 to {}).", o.set[k], grid.rowCount()));
                return false;
            }
            if (col == 0) {
                ctx.ui.invalidData("Column '" + o.set[k + 1] + "' is not one of the grid's.");
                return false;
            }
            if (!grid.setCell(static_cast<std::size_t>(row) - 1, col - 1, o.set[k + 2], ctx.ui)) return false;
        }
    }
    if (!o.pasteFile.empty()) {
        std::stringstream block;
        if (o.pasteFile == "-") {
            block << std::cin.rdbuf();
        } else {
            std::ifstream in(o.pasteFile, std::ios::binary);
            if (!in) {
                ctx.ui.invalidData("File '" + o.pasteFile + "' cannot be read.");
                return false;
            }
            block << in.rdbuf();
        }
        if (o.pasteColumn < 1 || o.pasteColumn > grid.columns().size()) {
            ctx.ui.invalidData(fmt::format("--column must be from 1 to {}.", grid.columns().size()));
            return false;
        }
        const std::size_t row = o.pasteRow == 0 ? grid.rowCount() : o.pasteRow - 1;
        const std::string text = block.str();
        if (!editing::splitBlock(text).empty() && grid.paste(row, o.pasteColumn - 1, text, ctx.ui) == 0) return false;
    }
    if (!o.deleteRows.empty()) {
        std::vector<std::size_t> rows;
        for (std::size_t r : o.deleteRows) {
            if (r < 1 || r > grid.rowCount()) {
                ctx.ui.invalidData(fmt::format("Row {} is not listed (1 to {}).", r, grid.rowCount()));
                return false;
            }
            rows.push_back(r - 1);
        }
        if (!grid.deleteRows(rows, ctx.ui)) return false;
    }
    return true;
}

void addGridOptions(CLI::App* sub, GridOptions& o) {
    sub->add_option("PROJECT", o.path, "Project file")->required();
    sub->add_option("--set", o.set, "Write one cell: ROW COLUMN VALUE (row as listed, column by number or name)")
        ->expected(3, 3 * 64);
    sub->add_option("--paste", o.pasteFile,
                    "Paste a tab-separated block from a file ('-' = standard input); refused whole on one bad number");
    sub->add_option("--row", o.pasteRow, "Row of the block's first line (default: after the last row)");
    sub->add_option("--column", o.pasteColumn, "Column of the block's first cell (default 1)");
    sub->add_option("--delete", o.deleteRows, "Delete rows as listed (asks; --yes answers Yes)");
    addFormatOption(sub, o.format);
}

RegisterCommand idfCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("idf", "List and edit the IDF coefficients (T2: Zone, Freq, A, B, C, D)");
    static GridOptions o;
    static bool add = false;
    static std::size_t curveRow = 0;
    addGridOptions(sub, o);
    sub->add_flag("--add", add, "Add an empty row (asks \"Add new record?\")");
    sub->add_option("--curve", curveRow, "Print the intensity of a row's curve, 5 to 120 minutes");
    sub->callback([&ctx] {
        auto project = openForCommand(o.path, ctx, Access::Write);
        auto grid = editing::makeIdfGrid(*project->db);
        if (add && !editing::addIdfRow(*grid, ctx.ui)) {
            ctx.exitCode = kExitRefused;
            return;
        }
        if (!edit(*grid, o, ctx)) {
            ctx.exitCode = kExitRefused;
            return;
        }
        if (curveRow > 0) {
            if (curveRow > grid->rowCount()) {
                ctx.ui.invalidData(fmt::format("Row {} is not listed (1 to {}).", curveRow, grid->rowCount()));
                ctx.exitCode = kExitRefused;
                return;
            }
            std::cout << "Zone " << grid->cell(curveRow - 1, 0) << ", Freq " << grid->cell(curveRow - 1, 1) << "\n";
            std::cout << "Duration (min)  Intensity (in/hr)\n";
            for (const auto& p : editing::idfCurve(editing::idfCoefficientsOfRow(*grid, curveRow - 1)))
                if (static_cast<int>(p.durationMin) % 5 == 0)
                    std::cout << fmt::format("{:>14}  {:>17}\n", p.durationMin, vbFormat(p.intensity, "0.000"));
            return;
        }
        if (o.format != Format::Text) return printGrid(*grid, "idf", *project, o.format, ctx.exitCode);
        printGrid(*grid);
    });
});

RegisterCommand timeIntensityCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("time-intensity",
                                   "List and edit the user-defined time-intensity tables (T85)");
    static GridOptions o;
    static std::string location, frequency;
    static bool addTable = false, deleteTable = false, preview = false;
    addGridOptions(sub, o);
    sub->add_option("--location", location, "Location of the table to show or edit");
    sub->add_option("--frequency", frequency, "Frequency of the table to show or edit");
    sub->add_flag("--add-table", addTable, "Add the table of --location and --frequency");
    sub->add_flag("--delete-table", deleteTable, "Delete the table of --location and --frequency (asks)");
    sub->add_flag("--preview", preview, "Print the curve of the table at 0, 5, ..., 90 minutes");
    sub->callback([&ctx] {
        auto project = openForCommand(o.path, ctx, Access::Write);
        db::Database& db = *project->db;
        if (addTable && !editing::addTimeIntensityTable(db, location, frequency, ctx.ui)) {
            ctx.exitCode = kExitRefused;
            return;
        }
        if (deleteTable) {
            if (trim(location).empty() || trim(frequency).empty()) {
                ctx.ui.invalidData("--delete-table needs --location and --frequency.");
                ctx.exitCode = kExitRefused;
                return;
            }
            if (!editing::deleteTimeIntensityTable(db, location, frequency, ctx.ui)) {
                ctx.exitCode = kExitRefused;
                return;
            }
            std::cout << "Deleted Location '" << trim(location) << "' Frequency '" << trim(frequency) << "'\n";
            return;
        }
        auto grid = editing::makeTimeIntensityGrid(db);
        editing::selectTimeIntensityTable(*grid, location, frequency);
        if (!edit(*grid, o, ctx)) {
            ctx.exitCode = kExitRefused;
            return;
        }
        if (preview) {
            if (trim(location).empty() || trim(frequency).empty()) {
                ctx.ui.invalidData("--preview needs --location and --frequency.");
                ctx.exitCode = kExitRefused;
                return;
            }
            std::cout << "Location " << trim(location) << ", Frequency " << trim(frequency) << "\n";
            std::cout << "Duration (min)  Intensity\n";
            for (const auto& p : editing::timeIntensityPreview(db, ctx.ui, location, frequency))
                std::cout << fmt::format("{:>14}  {:>9}\n", p.durationMin, vbFormat(p.intensity, "0.000"));
            return;
        }
        grid->reload();
        if (o.format != Format::Text) return printGrid(*grid, "time-intensity", *project, o.format, ctx.exitCode);
        printGrid(*grid);
    });
});

}  // namespace
}  // namespace kolv::cli
