#pragma once
// Texts of the tree are bytes. On screen, bytes that are valid UTF-8 show as
// UTF-8 and anything else (a file written elsewhere in an 8-bit code page) as
// Latin-1; what the user types is stored as UTF-8.

#include <QString>
#include <string>

QString TextFromBytes(const std::string& bytes);
std::string BytesFromText(const QString& text);
