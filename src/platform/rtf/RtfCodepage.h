#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringDecoder>

#include <memory>

namespace rtf::detail {

// Windows code page numbers are the currency here: \ansicpg speaks them and \fcharset maps onto them.
constexpr int kCodepageAnsi = 1252;

// The code page a font's \fcharset implies; charsets 1 (default) and unknown ones defer to the document's.
int codepageForCharset(int charset, int documentCodepage);

// Decodes code-page bytes, keeping one decoder per code page asked for (unknown ones included, so
// that no code page is looked up in ICU twice). Each call is complete on its own, so callers must
// hand over whole multi-byte sequences. Unknown code pages are read as 1252.
class ByteDecoder
{
public:
    ByteDecoder();
    ~ByteDecoder();
    ByteDecoder(const ByteDecoder &) = delete;
    ByteDecoder &operator=(const ByteDecoder &) = delete;

    bool supports(int codepage);
    void decodeAppend(int codepage, QByteArrayView bytes, QString &out);

private:
    QStringDecoder *decoderFor(int codepage);

    QHash<int, std::shared_ptr<QStringDecoder>> m_decoders; // null: not supported
};

} // namespace rtf::detail
