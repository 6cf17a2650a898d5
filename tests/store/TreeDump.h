// SPDX-License-Identifier: MIT
#pragma once
// Helpers for the storage tests: a tree written as one line of text (so two
// trees compare as strings and a difference shows where), the same for the
// fixtures' JSON trees, and where the fixtures are.

#include "tree/Item.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <cstdlib>
#include <string>

// sep | entry(name|target) | blank(name) | folder(name)[child child ...]
inline std::string DumpItem(const CItem& item) {
    if (const auto* folder = dynamic_cast<const CFolder*>(&item)) {
        std::string text = "folder(" + folder->GetName() + ")[";
        for (int i = 0; i < folder->GetCount(); ++i)
            text += (i ? " " : "") + DumpItem(*folder->GetChild(i));
        return text + "]";
    }
    if (const auto* entry = dynamic_cast<const CEntry*>(&item)) {
        if (entry->IsBlank())
            return "blank(" + entry->GetName() + ")";
        return "entry(" + entry->GetName() + "|" + entry->GetTarget() + ")";
    }
    return item.GetName() == SEPARATOR_TEXT ? "sep" : "item(" + item.GetName() + ")";
}

// A fixture tree: every character stands for one byte (U+0000 to U+00FF).
inline std::string DumpJson(const QJsonObject& node) {
    const auto bytes = [&node](const char* key) {
        return node.value(QLatin1String(key)).toString().toLatin1().toStdString();
    };
    const QString kind = node.value(QLatin1String("kind")).toString();
    if (kind == QLatin1String("sep"))
        return "sep";
    if (kind == QLatin1String("blank"))
        return "blank(" + bytes("name") + ")";
    if (kind == QLatin1String("entry"))
        return "entry(" + bytes("name") + "|" + bytes("target") + ")";
    std::string text = "folder(" + bytes("name") + ")[";
    const QJsonArray children = node.value(QLatin1String("children")).toArray();
    for (qsizetype i = 0; i < children.size(); ++i)
        text += (i ? " " : "") + DumpJson(children[i].toObject());
    return text + "]";
}

// The folder of the committed fixtures: QB_TEST_DATA under CTest, else the
// source tree's copy.
inline QString TestDataPath(const char* name) {
    const char* env = std::getenv("QB_TEST_DATA");
    const QString folder =
        env && *env ? QString::fromLocal8Bit(env) : QStringLiteral(QB_TEST_DATA_DIR);
    return folder + QLatin1Char('/') + QLatin1String(name);
}

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
