#pragma once

#include <QByteArray>
#include <QString>

// Reads the rich text of the notes files into HTML for a read-only text view.
// The subset understood: paragraphs (\par, \line), bold (\b, \b0), font size
// (\fsN, half points), Unicode characters (\uN with \ucN replacement
// characters), code-page bytes (\'hh, GBK), the escapes \\ \{ \}, and groups.
// Font, colour and style tables, document information and \* destinations
// are skipped; other control words are ignored.
QString rtfToHtml(const QByteArray& rtf);
