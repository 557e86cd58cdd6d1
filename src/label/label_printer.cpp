#include "label/label_printer.h"

#include "label/label_layout.h"

#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

LabelPrinter::LabelPrinter(const QString &printerSetting, const QString &baseDir)
{
    const QString setting = printerSetting.trimmed();
    if (setting.isEmpty())
        return;
    if (setting.startsWith(QLatin1String("pdf:"), Qt::CaseInsensitive)) {
        m_kind = Kind::PdfFolder;
        const QString folder = setting.mid(4).trimmed();
        m_target = QDir::cleanPath(QDir(baseDir).absoluteFilePath(folder.isEmpty() ? QStringLiteral(".") : folder));
        return;
    }
    m_kind = Kind::SystemPrinter;
    m_target = setting;
}

QString LabelPrinter::print(const UnitLabel &label, QString *writtenPath) const
{
    if (writtenPath)
        writtenPath->clear();
    switch (m_kind) {
    case Kind::None:
        return QString();
    case Kind::PdfFolder:
        return printPdf(label, writtenPath);
    case Kind::SystemPrinter:
        return printOnPrinter(label);
    }
    return QString();
}

QString LabelPrinter::printPdf(const UnitLabel &label, QString *writtenPath) const
{
    if (!QDir().mkpath(m_target))
        return QCoreApplication::translate("LabelTexts", "标签文件夹无法创建：%1").arg(QDir::toNativeSeparators(m_target));
    const QString path = QDir(m_target).filePath(LabelFileBaseName(label) + QStringLiteral(".pdf"));
    // Written aside and renamed at the end: a full disk never leaves half a label behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QCoreApplication::translate("LabelTexts", "标签文件无法写入：%1（%2）").arg(QDir::toNativeSeparators(path), file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setPageSize(LabelPageSize());
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(600);
        writer.setTitle(LabelPayload(label));
        writer.setCreator(QStringLiteral("dtu-config"));
        QPainter painter;
        if (!painter.begin(&writer))
            return QCoreApplication::translate("LabelTexts", "标签文件无法写入：%1（%2）").arg(QDir::toNativeSeparators(path), file.errorString());
        PaintLabel(painter, QRectF(QPointF(0, 0), QSizeF(writer.width(), writer.height())), label);
        painter.end();
    }
    if (!file.commit())
        return QCoreApplication::translate("LabelTexts", "标签文件无法写入：%1（%2）").arg(QDir::toNativeSeparators(path), file.errorString());
    if (writtenPath)
        *writtenPath = path;
    return QString();
}

QString LabelPrinter::printOnPrinter(const UnitLabel &label) const
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(m_target);
    if (info.isNull())
        return QCoreApplication::translate("LabelTexts", "找不到打印机：%1").arg(m_target);
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setPageSize(LabelPageSize());
    printer.setFullPage(true);
    printer.setDocName(LabelPayload(label));
    QPainter painter;
    if (!painter.begin(&printer))
        return QCoreApplication::translate("LabelTexts", "打印机无法打印：%1").arg(m_target);
    PaintLabel(painter, printer.pageRect(QPrinter::DevicePixel), label);
    painter.end();
    if (printer.printerState() == QPrinter::Error)
        return QCoreApplication::translate("LabelTexts", "打印机无法打印：%1").arg(m_target);
    return QString();
}
