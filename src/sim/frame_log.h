#pragma once
// One line per received frame (hex, blank-separated), so tests can see what the tool sent.
#include <QFile>
#include <QString>

class FrameLog {
public:
    bool open(const QString &path, QString &error);
    void append(const QByteArray &frame);

private:
    QFile m_file;
};
