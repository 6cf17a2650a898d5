// SPDX-License-Identifier: MIT
#pragma once
// Texts of the tree are bytes. As text, bytes that are valid UTF-8 read as
// UTF-8 (a leading byte order mark read as nothing) and anything else (a file
// written elsewhere in an 8-bit code page) as Latin-1; text becomes bytes as
// UTF-8. The window shows names this way, the editor and the clipboard store
// what was typed or dropped this way, and imports and exports write this way,
// so every layer above the tree reads the same bytes as the same text.
//
// The UTF-8 check on its own, without Qt, is IsValidUtf8 (tree/TextFold.h).

#include <QString>
#include <string>

QString TextFromBytes(const std::string& bytes);
std::string BytesFromText(const QString& text);
