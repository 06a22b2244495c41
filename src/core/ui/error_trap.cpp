// The shared "ERROR TRAP" message.
#include "ui/error_trap.h"

#include <new>

#include "common/error.h"

namespace kolv::ui {

std::string errorTrapText(int code) {
    const std::string n = std::to_string(code);
    switch (code) {
    case 6: return "ERROR: Overflow. Code: " + n;
    case 7: return "ERROR: Out of Memory. Code: " + n;
    case 9: return "ERROR: Subscript Out of Range. Code: " + n;
    case 11: return "ERROR: Division by Zero. Code: " + n;
    case 13:
        return "ERROR: Type Mismatch. Code: " + n +
               "\r\rCAUSE: A character string (or invalid number such as 10..00) was entered where a number was expected";
    case 48: return "ERROR: Error in Loading DLL. Code: " + n;
    case 53: return "ERROR: File Not Found. Code: " + n;
    case 61: return "ERROR: Disk Full. Code: " + n;
    case 94:
        return "ERROR: Invalid Use of Null. Code: " + n + "\r\rCAUSE: This is caused when a required field is left blank.";
    case 3058:
        return "ERROR: Can not have Null value in index. Code: " + n +
               "\r\rCAUSE: This may be caused by updating/writing to a primary key field with a Null value\r"
               "Primary keys are Node name, Reach name, Pipe name, Structure name, etc..";
    default: return "*** ERROR ***  Code: " + n;
    }
}

void showErrorTrap(UiPort& ui, int code) {
    ui.beep();
    ui.message("ERROR TRAP", errorTrapText(code), Icon::Critical, Buttons::Ok, Answer::Ok);
}

int reportException(UiPort& ui, const std::exception& e) {
    int code = 0;
    std::string detail;
    if (auto* ke = dynamic_cast<const kolv::Error*>(&e)) {
        code = ke->code();
        detail = ke->what();
    } else if (dynamic_cast<const std::bad_alloc*>(&e)) {
        code = 7;
    } else {
        detail = e.what();
    }
    std::string text = errorTrapText(code);
    if (!detail.empty() && text.find(detail) == std::string::npos) text += "\r\r" + detail;
    ui.beep();
    ui.message("ERROR TRAP", text, Icon::Critical, Buttons::Ok, Answer::Ok);
    return code;
}

}  // namespace kolv::ui
