// Test helper: runs xmllint on an XML text, optionally against a schema, without
// network access. Returns xmllint's messages; empty when the XML passed.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryFile>

#include <string>

inline QString xmllintProblems(const std::string &document, const QString &schema = QString())
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (tool.isEmpty())
        return QStringLiteral("xmllint is not installed (package libxml2-utils)");
    QTemporaryFile file;
    if (!file.open())
        return QStringLiteral("cannot write a temporary file");
    file.write(document.data(), static_cast<qint64>(document.size()));
    file.close();
    QStringList args{QStringLiteral("--noout"), QStringLiteral("--nonet")};
    if (!schema.isEmpty())
        args << QStringLiteral("--schema") << schema;
    args << file.fileName();
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(60000))
        return QStringLiteral("xmllint did not finish");
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardError()) + QStringLiteral(" (exit ") +
           QString::number(p.exitCode()) + QLatin1Char(')');
}
