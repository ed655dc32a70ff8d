#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <memory>
#include <vector>

namespace rtf::detail {

// Windows code page numbers are the currency here: \ansicpg speaks them and \fcharset maps onto them.
constexpr int kCodepageAnsi = 1252;

// The code page a font's \fcharset implies; charsets 1 (default) and unknown ones defer to the document's.
int codepageForCharset(int charset, int documentCodepage);

// Whether Qt (through ICU) can decode this code page; unknown ones are read as 1252.
bool isSupportedCodepage(int codepage);

// Decodes code-page bytes, keeping one decoder per code page seen. Each call is complete on its own,
// so callers must hand over whole multi-byte sequences.
class ByteDecoder
{
public:
    ByteDecoder();
    ~ByteDecoder();
    ByteDecoder(const ByteDecoder &) = delete;
    ByteDecoder &operator=(const ByteDecoder &) = delete;

    void decodeAppend(int codepage, QByteArrayView bytes, QString &out);

private:
    QStringDecoder *decoderFor(int codepage);

    struct Entry
    {
        int codepage;
        std::unique_ptr<QStringDecoder> decoder;
    };
    std::vector<Entry> m_decoders;
};

} // namespace rtf::detail
