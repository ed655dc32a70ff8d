#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// What a screen reader is told of a PlainTextView: its text, caret and selection, read a
// window at a time so that a large document is never copied whole.
QAccessibleInterface *plainTextAccessible(const QString &className, QObject *object);
