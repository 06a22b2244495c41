// The structure and pipe definitions windows: list, fields, Add, Delete, Print, Close.
#pragma once

#include <QDialog>
#include <map>
#include <string>

#include "editing/definitions.h"
#include "gui/common/report_preview.h"
#include "gui/editors/editor_context.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace kolv::gui::editor_windows {

/// One window for either catalogue of the project's unit system. The definition on display is
/// saved before another is shown, before Add and on Close; a typed number that is refused keeps
/// the definition on display until it is corrected. Closing reloads the main window's name lists.
class DefinitionsWindow : public QDialog {
    Q_OBJECT
public:
    DefinitionsWindow(EditorContext ctx, editing::DefinitionKind kind, QWidget* parent = nullptr);

    editing::DefinitionKind kind() const { return m_kind; }
    QListWidget* list() const { return m_list; }
    QLineEdit* nameField() const { return m_name; }
    /// The field of a table field name ("COST_LT", "AREA", ...); nullptr when the window has none.
    QLineEdit* field(const std::string& dbField) const;
    QComboBox* groupList() const { return m_group; }
    QLabel* unitLabel() const { return m_unit; }
    /// Name on display ("" when none).
    std::string current() const { return m_current; }

    /// Shows a definition (the one on display is saved first). False when that save was refused.
    bool showDefinition(const std::string& name);
    /// Saves the definition on display when a field differs from its row; false when refused.
    bool saveCurrent();
    /// Add with the input box's answer given (tests, scripted runs). True when added.
    bool addNamed(const std::string& typed);
    /// Add: asks for the name with an input box (its default the name field).
    void add();
    /// Delete of the definition on display, after the warning. True when deleted.
    bool removeCurrent();
    /// Prints the catalogue through its report template into a preview.
    compute::ReportPreviewDialog* print();

    void done(int result) override;

protected:
    /// Delete in the list deletes the definition on display (after the warning).
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct FieldInfo {
        std::string field;
        std::string caption;
        bool numeric;
        bool length;  ///< shown with the length unit
    };
    void build();
    void refillList(const std::string& select);
    void fill();
    /// Reads the fields into a definition; false (message shown) when a number is refused.
    bool gather(editing::StructureDefinition& s, editing::PipeDefinition& p);

    EditorContext m_ctx;
    editing::DefinitionKind m_kind;
    std::vector<FieldInfo> m_fieldInfo;
    std::map<std::string, QLineEdit*> m_fields;
    /// The stored values as fill() showed them: a field still showing its text is not re-read.
    std::map<std::string, std::pair<QString, double>> m_shown;
    QListWidget* m_list = nullptr;
    QLineEdit* m_name = nullptr;
    QComboBox* m_group = nullptr;
    QLabel* m_unit = nullptr;
    std::string m_current;
    bool m_switching = false;
};

}  // namespace kolv::gui::editor_windows
