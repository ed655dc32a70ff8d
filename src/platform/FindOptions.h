#pragma once

#include <QFlags>

// How the editor's Find and the search dialog's Replace All match text.
enum class FindOption { WholeWord = 0x1, MatchCase = 0x2 };
Q_DECLARE_FLAGS(FindOptions, FindOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(FindOptions)
