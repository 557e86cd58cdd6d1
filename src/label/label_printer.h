#pragma once
// Prints a unit's label on a system printer, or writes it as a PDF file into a folder.
#include "label/unit_label.h"

#include <QString>

class LabelPrinter {
public:
    // "" = no labels; "pdf:FOLDER" = one PDF per label in FOLDER (relative to baseDir);
    // anything else names a system printer.
    LabelPrinter(const QString &printerSetting, const QString &baseDir);
    bool enabled() const { return m_kind != Kind::None; }
    // Empty on success, else the reason in the user's words; *writtenPath = the PDF written, if any.
    // A reprint of the same unit replaces its file.
    QString print(const UnitLabel &label, QString *writtenPath = nullptr) const;

private:
    enum class Kind { None, PdfFolder, SystemPrinter };
    QString printPdf(const UnitLabel &label, QString *writtenPath) const;
    QString printOnPrinter(const UnitLabel &label) const;

    Kind m_kind = Kind::None;
    QString m_target;  // the folder's absolute path or the printer's name
};
