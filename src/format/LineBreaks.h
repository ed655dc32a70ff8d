#pragma once

#include <QString>
#include <QStringView>

// Joins hard-wrapped lines: a single CR LF becomes a space, a pair of CR LFs stays a paragraph
// break, and a character 1 (the marker the joining is defined with) becomes a paragraph break
// too. Only the exact pair CR LF is a line break; a lone CR or LF is kept as it is. The editor's
// own text, whose breaks are '\n', is joined as its CR LF form would be by giving '\n' as the break.
QString lineBreaksToWrap(QStringView text, QStringView lineBreak = u"\r\n");
