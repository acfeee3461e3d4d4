#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Light symmetric obfuscation of the stored credentials: a running XOR with the
// eight key bytes over a body that starts with a random byte and carries a
// CRC-16 or SHA-1 of the payload, in a small versioned format:
//   [0] version (3)  [1] flags (0x01 compressed, 0x02 checksum, 0x04 hash)  [2..] body
// The text forms are the Base64 of that byte string. Stored values must stay
// readable across versions, so the format never changes.
class SimpleCrypt
{
public:
    enum CompressionMode { CompressionAuto = 0, CompressionAlways = 1, CompressionNever = 2 };
    enum IntegrityProtectionMode { ProtectionNone = 0, ProtectionChecksum = 1, ProtectionHash = 2 };
    enum Error { ErrorNoError = 0, ErrorNoKeySet = 1, ErrorUnknownVersion = 2, ErrorIntegrityFailed = 3 };
    enum Flag { FlagCompression = 0x01, FlagChecksum = 0x02, FlagHash = 0x04 };

    SimpleCrypt() = default;
    explicit SimpleCrypt(quint64 key);

    void setKey(quint64 key);
    bool hasKey() const { return !m_keyParts.isEmpty(); }

    void setCompressionMode(CompressionMode mode) { m_compressionMode = mode; }
    CompressionMode compressionMode() const { return m_compressionMode; }
    void setIntegrityProtectionMode(IntegrityProtectionMode mode) { m_protectionMode = mode; }
    IntegrityProtectionMode integrityProtectionMode() const { return m_protectionMode; }
    Error lastError() const { return m_lastError; }

    QByteArray encryptToByteArray(const QString &plainText);
    QByteArray encryptToByteArray(const QByteArray &plainText);
    QString encryptToString(const QString &plainText);
    QString encryptToString(const QByteArray &plainText);

    QByteArray decryptToByteArray(const QString &cipherText);
    QByteArray decryptToByteArray(const QByteArray &cipher);
    QString decryptToString(const QString &cipherText);
    QString decryptToString(const QByteArray &cipher);

    // The random first byte of the body; replaceable so a fixed vector can be produced.
    void setRandomByteSource(quint8 (*source)()) { m_randomByte = source; }

private:
    static constexpr char version = 3;

    quint64 m_key = 0;
    QVector<char> m_keyParts;
    CompressionMode m_compressionMode = CompressionAuto;
    IntegrityProtectionMode m_protectionMode = ProtectionChecksum;
    Error m_lastError = ErrorNoError;
    quint8 (*m_randomByte)() = nullptr;
};
