#pragma once

#include <QStringView>

// The number of words in a text. Only the space separates words; a CR LF counts as a space,
// and a hyphen right before a CR LF is taken out together with the break, so that a word
// hyphenated across two lines counts once. Tabs, lone CRs or LFs and punctuation belong to
// the word they stand in.
int WordCount(QStringView text);

// How many CR LF pairs the text holds.
int CountLineBreaks(QStringView text);
