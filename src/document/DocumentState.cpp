#include "document/DocumentState.h"

bool IsRichTextName(const QString &name)
{
    return name.size() >= 3 && name.right(3).compare(QLatin1String("rtf"), Qt::CaseInsensitive) == 0;
}

bool DocumentState::isRichText() const
{
    return IsRichTextName(CurrentFile);
}
