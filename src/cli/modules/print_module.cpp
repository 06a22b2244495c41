// kolv-cli-print: the PDF printing of kolv-cli, loaded by the commands that write PDF.
#include <QString>

#include "cli/modules/module_api.h"
#include "render/document_painter.h"
#include "render/submittal_pdf.h"

namespace {

kolv::reports::DocumentPrinter* printer() {
    static kolv::render::QtDocumentPrinter p;
    return &p;
}

void writeSubmittal(kolv::submittal::SubmittalComposer& composer, const std::string& path) {
    kolv::render::writeSubmittalPdf(composer, QString::fromStdString(path));
}

const kolv::cli::PrintModule kTable{&printer, &writeSubmittal};

}  // namespace

extern "C" __attribute__((visibility("default"))) const void* kolv_cli_module(int abi) {
    return abi == kolv::cli::kModuleAbi ? &kTable : nullptr;
}
