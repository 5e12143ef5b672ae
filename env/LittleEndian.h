// Little-endian integers in byte buffers: the one place where the program's
// files are taken apart and put together. Every file format of the suite
// stores its integers little-endian, without padding.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QVector>
#include <QtEndian>

#include <cstdint>
#include <cstring>

// Reads fields at offsets of a buffer. A field that reaches past the end
// reads its missing bytes as zero, as a read from a short file leaves them;
// Has() tells whether a field lies wholly in the buffer, for readers that
// must refuse a short file instead.
class ByteReader
{
public:
    explicit ByteReader(QByteArrayView bytes) : m_bytes(bytes) {}

    qsizetype Size() const { return m_bytes.size(); }
    bool Has(qint64 offset, qint64 width) const { return offset >= 0 && width >= 0 && width <= Size() - offset; }

    int32_t Int32(qint64 offset) const { return Field<qint32>(offset); }
    int16_t Int16(qint64 offset) const { return Field<qint16>(offset); }
    uint32_t Word(qint64 offset) const { return Field<quint32>(offset); }
    uint8_t Byte(qint64 offset) const { return Field<quint8>(offset); }

    // The bytes [offset, offset + width) that lie in the buffer.
    QByteArrayView Bytes(qint64 offset, qint64 width) const
    {
        if (offset < 0 || offset >= Size() || width <= 0) return {};
        return m_bytes.sliced(offset, qMin<qint64>(width, Size() - offset));
    }
    // count whole 32-bit words from offset (the caller checks that they lie in the buffer).
    QVector<uint32_t> Words(qint64 offset, qsizetype count) const
    {
        QVector<uint32_t> words(count);
        if (count > 0) qFromLittleEndian<quint32>(m_bytes.data() + offset, count, words.data());
        return words;
    }

private:
    template <typename T> T Field(qint64 offset) const
    {
        unsigned char raw[sizeof(T)] = {};
        const QByteArrayView present = Bytes(offset, qint64(sizeof(T)));
        if (!present.isEmpty()) std::memcpy(raw, present.data(), size_t(present.size()));
        return qFromLittleEndian<T>(raw);
    }

    QByteArrayView m_bytes;
};

// Appends fields to a buffer.
class ByteWriter
{
public:
    explicit ByteWriter(qsizetype expectedSize = 0) { m_bytes.reserve(expectedSize); }

    void Int32(int32_t value) { Append<qint32>(value); }
    void Int16(int16_t value) { Append<qint16>(value); }
    void Word(uint32_t value) { Append<quint32>(value); }
    void Byte(uint8_t value) { m_bytes.append(char(value)); }
    void Bytes(QByteArrayView bytes) { m_bytes.append(bytes); }
    // A text and its terminating zero byte.
    void Text(QByteArrayView text)
    {
        m_bytes.append(text);
        m_bytes.append('\0');
    }
    void Words(const QVector<uint32_t>& words)
    {
        if (words.isEmpty()) return;
        const qsizetype at = m_bytes.size();
        m_bytes.resize(at + words.size() * 4);
        qToLittleEndian<quint32>(words.constData(), words.size(), m_bytes.data() + at);
    }
    // count bytes to be filled in through the pointer returned.
    char* Reserve(qsizetype count)
    {
        const qsizetype at = m_bytes.size();
        m_bytes.resize(at + count);
        return m_bytes.data() + at;
    }
    // Overwrites a 32-bit field written before.
    void Int32At(qsizetype offset, int32_t value) { qToLittleEndian<qint32>(value, m_bytes.data() + offset); }

    qsizetype Size() const { return m_bytes.size(); }
    const QByteArray& Bytes() const { return m_bytes; }
    QByteArray Take() { return std::move(m_bytes); }

private:
    template <typename T> void Append(T value)
    {
        char raw[sizeof(T)];
        qToLittleEndian<T>(value, raw);
        m_bytes.append(raw, qsizetype(sizeof(T)));
    }

    QByteArray m_bytes;
};
