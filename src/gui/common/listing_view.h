// The result list of the computation windows: fixed-width lines in the project's result colours.
#pragma once

#include <QPlainTextEdit>
#include <functional>
#include <string>
#include <vector>

#include "db/database.h"

class QDialog;
class QVBoxLayout;

namespace kolv::gui::compute {

/// Read-only list of fixed-column lines that grows while a run goes on.
class ListingView : public QPlainTextEdit {
public:
    explicit ListingView(QWidget* parent = nullptr);

    /// Adds a line at the end and keeps it in view.
    void addLine(const std::string& line);
    void addLines(const std::vector<std::string>& lines);
    void clearLines();
    /// Brings the first line into view (after a run, to read the listing from its heading).
    void showTop();
    const std::vector<std::string>& lines() const { return m_lines; }

private:
    std::vector<std::string> m_lines;
};

/// A colour stored as the program setup keeps it (0x00BBGGRR) as red, green, blue.
struct StoredColor {
    int red = 0, green = 0, blue = 0;
};
StoredColor storedColor(long value);

/// Paints a result list in the colours of T0 `RESULTS_BACKCOLOR` and `RESULTS_FORECOLOR`
/// An empty field keeps the default colour.
void applyResultsColors(QWidget* widget, db::Database& db);

/// The button row of a listing window: Compute (the default button) on the left, Print and
/// Close on the right. Close closes the window.
void addListingButtons(QDialog* window, QVBoxLayout* layout, std::function<void()> compute,
                       std::function<void()> print);

}  // namespace kolv::gui::compute
