// Every user-visible text goes through the translation system, and the English catalogue has a
// finished translation for each of them.
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {
const QString kSourceDir = QStringLiteral(DTU_SOURCE_DIR);
const QString kCatalogue = kSourceDir + QStringLiteral("/i18n/dtu-config_en.ts");
// Every folder whose texts can reach a user: all of src/ but the simulator's, which speaks to
// developers only. A new folder is scanned without being named here.
QStringList scannedFolders()
{
    QStringList folders = QDir(kSourceDir + QStringLiteral("/src")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    folders.removeAll(QStringLiteral("sim"));
    return folders;
}
// A comment holding this keeps a literal out of the check (a text meant to read the same in
// both languages).
const QString kAsIsMarker = QStringLiteral("not translated:");

bool hasChinese(const QString &s)
{
    for (const QChar c : s) {
        const ushort u = c.unicode();
        if ((u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3000 && u <= 0x303F) || (u >= 0xFF01 && u <= 0xFF5E))
            return true;
    }
    return false;
}

// The text with every comment blanked out (line breaks kept), string literals left alone.
QString withoutComments(const QString &text)
{
    QString out = text;
    enum { Code, Str, Chr, Line, Block } state = Code;
    for (int i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        const QChar next = i + 1 < out.size() ? out.at(i + 1) : QChar();
        switch (state) {
        case Code:
            if (c == '"') state = Str;
            else if (c == '\'') state = Chr;
            else if (c == '/' && next == '/') { state = Line; out[i] = ' '; }
            else if (c == '/' && next == '*') { state = Block; out[i] = ' '; }
            break;
        case Str:
        case Chr:
            if (c == '\\') ++i;
            else if ((state == Str && c == '"') || (state == Chr && c == '\'') || c == '\n') state = Code;
            break;
        case Line:
            if (c == '\n') state = Code;
            else out[i] = ' ';
            break;
        case Block:
            if (c == '*' && next == '/') { out[i] = ' '; out[i + 1] = ' '; ++i; state = Code; }
            else if (c != '\n') out[i] = ' ';
            break;
        }
    }
    return out;
}

// "file:line: literal" for each Chinese literal of `path` that no tr()/translate() takes.
QStringList untranslatedLiterals(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {path + QStringLiteral(": cannot be read")};
    const QString raw = QString::fromUtf8(f.readAll());
    const QStringList rawLines = raw.split(QLatin1Char('\n'));
    const QString code = withoutComments(raw);
    static const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\\n]|\\\\.)*)\""));
    static const QRegularExpression trCall(QStringLiteral("(?:\\btr|\\bQT_TR_NOOP)\\s*\\(\\s*$"));
    static const QRegularExpression translateCall(
        QStringLiteral("(?:\\btranslate|\\bQT_TRANSLATE_NOOP)\\s*\\(\\s*\"[^\"\\n]*\"\\s*,\\s*$"));
    QStringList found;
    for (auto it = literal.globalMatch(code); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!hasChinese(m.captured(1)))
            continue;
        const QString before = code.mid(qMax(0, int(m.capturedStart()) - 200), qMin(200, int(m.capturedStart())));
        if (trCall.match(before).hasMatch() || translateCall.match(before).hasMatch())
            continue;
        const int line = code.left(m.capturedStart()).count(QLatin1Char('\n'));
        if (rawLines.value(line).contains(kAsIsMarker))
            continue;
        found << QStringLiteral("%1:%2: %3").arg(QDir(kSourceDir).relativeFilePath(path)).arg(line + 1).arg(m.captured(0));
    }
    return found;
}

struct Entry {
    QString source;
    QString translation;
    QString type;  // "", "unfinished", "vanished", "obsolete"
};

// context + '\n' + source → entry, for every message of a .ts file.
QMap<QString, Entry> readCatalogue(const QString &path, QString *error)
{
    QMap<QString, Entry> entries;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = path + QStringLiteral(": ") + f.errorString();
        return entries;
    }
    QXmlStreamReader xml(&f);
    QString context;
    Entry entry;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("message"))
            entries.insert(context + QLatin1Char('\n') + entry.source, entry);
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("message"))
            entry = Entry();
        else if (xml.name() == QLatin1String("source"))
            entry.source = xml.readElementText();
        else if (xml.name() == QLatin1String("translation")) {
            entry.type = xml.attributes().value(QLatin1String("type")).toString();
            entry.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    if (xml.hasError())
        *error = path + QStringLiteral(": ") + xml.errorString();
    return entries;
}

QStringList placeholders(const QString &text)
{
    static const QRegularExpression arg(QStringLiteral("%\\d+"));
    QStringList out;
    for (auto it = arg.globalMatch(text); it.hasNext();)
        out << it.next().captured(0);
    out.sort();
    out.removeDuplicates();
    return out;
}
} // namespace

class TestTranslationCatalogue : public QObject {
    Q_OBJECT

private slots:
    void everyChineseLiteralIsTranslatable()
    {
        QStringList found;
        int files = 0;
        const QStringList folders = scannedFolders();
        for (const char *name : {"log", "cli", "provision", "app", "tools", "protocol"})
            QVERIFY2(folders.contains(QLatin1String(name)), name);
        for (const QString &folder : folders) {
            QDirIterator it(kSourceDir + QStringLiteral("/src/") + folder, {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                            QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                found << untranslatedLiterals(it.next());
                ++files;
            }
        }
        QVERIFY(files > 50);
        QVERIFY2(found.isEmpty(), qPrintable(QStringLiteral("Chinese texts outside tr()/translate():\n") + found.join('\n')));
    }

    void theScanSeesWhatItMustSee()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("sample.cpp")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(u8"a = tr(\"打开\");\n"
                u8"b = QCoreApplication::translate(\"Ctx\",\n    \"关闭\");\n"
                u8"c = QStringLiteral(\"未翻译\");\n"
                u8"// d = \"注释里的\";\n"
                u8"e = tr(QStringLiteral(\"不可见\"));\n"
                u8"g = QStringLiteral(\"语言 / Language\"); // not translated: both languages\n");
        f.close();
        const QStringList found = untranslatedLiterals(f.fileName());
        QCOMPARE(found.size(), 2);
        QVERIFY(found.at(0).contains(QStringLiteral("未翻译")));
        QVERIFY(found.at(1).contains(QStringLiteral("不可见")));
    }

    void englishCatalogueIsComplete()
    {
        QString error;
        const QMap<QString, Entry> english = readCatalogue(kCatalogue, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(english.size() > 50);

        // What the sources hold today, collected afresh by lupdate.
        QTemporaryDir dir;
        const QString fresh = dir.filePath(QStringLiteral("fresh_en.ts"));
        QProcess lupdate;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LUPDATE"), QStringLiteral(DTU_LUPDATE));
        lupdate.setProcessEnvironment(env);
        lupdate.start(QStringLiteral("bash"), {kSourceDir + QStringLiteral("/scripts/update-translations.sh"), fresh});
        QVERIFY(lupdate.waitForFinished(120000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());
        const QMap<QString, Entry> current = readCatalogue(fresh, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(current.size() > 50);

        QStringList problems;
        for (auto it = current.cbegin(); it != current.cend(); ++it)
            if (!english.contains(it.key()))
                problems << QStringLiteral("missing: ") + QString(it.key()).replace('\n', QStringLiteral(" / "));
        for (auto it = english.cbegin(); it != english.cend(); ++it) {
            const Entry &e = it.value();
            const QString where = QString(it.key()).replace('\n', QStringLiteral(" / "));
            if (!e.type.isEmpty())
                problems << e.type + QStringLiteral(": ") + where;
            else if (e.translation.trimmed().isEmpty())
                problems << QStringLiteral("empty: ") + where;
            else if (hasChinese(e.translation))
                problems << QStringLiteral("still Chinese: ") + where;
            else if (placeholders(e.source) != placeholders(e.translation))
                problems << QStringLiteral("placeholders differ: ") + where;
        }
        QVERIFY2(problems.isEmpty(),
                 qPrintable(QStringLiteral("run scripts/update-translations.sh and translate:\n") + problems.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestTranslationCatalogue)
#include "tst_translation_catalogue.moc"
