// Typed numbers of the windows: the core's checks applied as the engineer types.
#include "gui/common/number_field.h"

#include <QVariant>

namespace kolv::gui {

namespace {

const char* kCheckerProperty = "kolvNumberChecker";
const char* kRefusedStyle = "QLineEdit { background: #ffe4e4; border: 2px solid #c62828; }";

/// The checker kept with the field for as long as the field lives.
class CheckerHolder : public QObject {
public:
    CheckerHolder(QObject* parent, NumberChecker check, std::function<void(const QString&)> status)
        : QObject(parent), check(std::move(check)), status(std::move(status)) {}
    NumberChecker check;
    std::function<void(const QString&)> status;
};

const CheckerHolder* holderOf(const QLineEdit* edit) {
    if (!edit) return nullptr;
    return edit->findChild<CheckerHolder*>(kCheckerProperty, Qt::FindDirectChildrenOnly);
}

void mark(QLineEdit* edit, const input::NumberCheck& check) {
    const bool refused = !check.ok();
    if (edit->property("kolvRefused").toBool() == refused) {
        if (refused) edit->setToolTip(QString::fromStdString(check.error));
        return;
    }
    edit->setProperty("kolvRefused", refused);
    edit->setStyleSheet(refused ? kRefusedStyle : "");
    edit->setToolTip(refused ? QString::fromStdString(check.error) : QString());
}

}  // namespace

void watchNumberField(QLineEdit* edit, NumberChecker check, std::function<void(const QString&)> status) {
    auto* holder = new CheckerHolder(edit, std::move(check), std::move(status));
    holder->setObjectName(kCheckerProperty);
    QObject::connect(edit, &QLineEdit::textChanged, holder, [edit](const QString&) { recheckNumberField(edit); });
}

void recheckNumberField(QLineEdit* edit) {
    const CheckerHolder* h = holderOf(edit);
    if (!h) return;
    const bool was = numberFieldRefused(edit);
    const input::NumberCheck c = h->check(edit->text().toStdString());
    mark(edit, c);
    if (!h->status) return;
    if (!c.ok()) h->status(QString::fromStdString(c.error));
    else if (was) h->status(QString());  // the message of the corrected value goes away
}

input::NumberCheck checkNumberField(const QLineEdit* edit) {
    const std::string text = edit ? edit->text().toStdString() : std::string();
    if (const CheckerHolder* h = holderOf(edit)) return h->check(text);
    return input::parseNumber(text, "");
}

std::optional<double> readNumberField(QLineEdit* edit, ui::UiPort* ui) {
    const input::NumberCheck c = checkNumberField(edit);
    mark(edit, c);
    if (c.ok()) return c.value;
    if (ui) ui->invalidData(c.error);
    if (edit->isVisible()) {
        edit->setFocus();
        edit->selectAll();
    }
    return std::nullopt;
}

bool numberFieldRefused(const QLineEdit* edit) { return edit && edit->property("kolvRefused").toBool(); }

}  // namespace kolv::gui
