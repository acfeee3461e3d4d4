#include "simplecrypt.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QRandomGenerator>

namespace {
constexpr int hashSize = 20;

void warn(const char *text)
{
    qWarning().noquote() << QStringLiteral("SimpleCrypt: ") + QLatin1String(text);
}

quint16 checksum(const QByteArray &data)
{
    return qChecksum(data.constData(), static_cast<uint>(data.size()));
}
} // namespace

SimpleCrypt::SimpleCrypt(quint64 key)
{
    setKey(key);
}

void SimpleCrypt::setKey(quint64 key)
{
    m_key = key;
    m_keyParts.clear();
    for (int i = 0; i < 8; ++i)
        m_keyParts.append(static_cast<char>((key >> (8 * i)) & 0xff));
}

QByteArray SimpleCrypt::encryptToByteArray(const QString &plainText)
{
    return encryptToByteArray(plainText.toUtf8());
}

QByteArray SimpleCrypt::encryptToByteArray(const QByteArray &plainText)
{
    if (m_keyParts.isEmpty()) {
        warn("No key set.");
        m_lastError = ErrorNoKeySet;
        return QByteArray();
    }

    QByteArray payload = plainText;
    char flags = 0;
    if (m_compressionMode == CompressionAlways) {
        payload = qCompress(plainText, 9);
        flags |= FlagCompression;
    } else if (m_compressionMode == CompressionAuto) {
        const QByteArray compressed = qCompress(plainText, 9);
        if (compressed.size() < plainText.size()) {
            payload = compressed;
            flags |= FlagCompression;
        }
    }

    QByteArray integrity;
    if (m_protectionMode == ProtectionChecksum) {
        flags |= FlagChecksum;
        const quint16 sum = checksum(payload);
        integrity.append(static_cast<char>(sum >> 8));
        integrity.append(static_cast<char>(sum & 0xff));
    } else if (m_protectionMode == ProtectionHash) {
        flags |= FlagHash;
        integrity = QCryptographicHash::hash(payload, QCryptographicHash::Sha1);
    }

    const quint8 random
        = m_randomByte ? m_randomByte() : static_cast<quint8>(QRandomGenerator::global()->generate() & 0xff);
    QByteArray body;
    body.reserve(1 + integrity.size() + payload.size());
    body.append(static_cast<char>(random));
    body.append(integrity);
    body.append(payload);

    char previous = 0;
    for (int pos = 0; pos < body.size(); ++pos) {
        body[pos] = static_cast<char>(body.at(pos) ^ m_keyParts.at(pos % 8) ^ previous);
        previous = body.at(pos);
    }

    QByteArray result;
    result.reserve(2 + body.size());
    result.append(version);
    result.append(flags);
    result.append(body);
    m_lastError = ErrorNoError;
    return result;
}

QString SimpleCrypt::encryptToString(const QString &plainText)
{
    return encryptToString(plainText.toUtf8());
}

QString SimpleCrypt::encryptToString(const QByteArray &plainText)
{
    return QString::fromLatin1(encryptToByteArray(plainText).toBase64());
}

QByteArray SimpleCrypt::decryptToByteArray(const QString &cipherText)
{
    return decryptToByteArray(QByteArray::fromBase64(cipherText.toLatin1()));
}

QByteArray SimpleCrypt::decryptToByteArray(const QByteArray &cipher)
{
    if (m_keyParts.isEmpty()) {
        warn("No key set.");
        m_lastError = ErrorNoKeySet;
        return QByteArray();
    }
    if (cipher.size() < 2 || cipher.at(0) != version) {
        warn("Invalid version or not a cyphertext.");
        m_lastError = ErrorUnknownVersion;
        return QByteArray();
    }

    const char flags = cipher.at(1);
    QByteArray body = cipher.mid(2);
    char previous = 0;
    for (int pos = 0; pos < body.size(); ++pos) {
        const char current = body.at(pos);
        body[pos] = static_cast<char>(current ^ m_keyParts.at(pos % 8) ^ previous);
        previous = current;
    }
    body = body.mid(1); // the random byte

    if (flags & FlagChecksum) {
        if (body.size() < 2) {
            m_lastError = ErrorIntegrityFailed;
            return QByteArray();
        }
        const quint16 stored
            = static_cast<quint16>((static_cast<quint8>(body.at(0)) << 8) | static_cast<quint8>(body.at(1)));
        body = body.mid(2);
        if (stored != checksum(body)) {
            m_lastError = ErrorIntegrityFailed;
            return QByteArray();
        }
    } else if (flags & FlagHash) {
        if (body.size() < hashSize) {
            m_lastError = ErrorIntegrityFailed;
            return QByteArray();
        }
        const QByteArray stored = body.left(hashSize);
        body = body.mid(hashSize);
        if (stored != QCryptographicHash::hash(body, QCryptographicHash::Sha1)) {
            m_lastError = ErrorIntegrityFailed;
            return QByteArray();
        }
    }

    if (flags & FlagCompression)
        body = qUncompress(body);
    m_lastError = ErrorNoError;
    return body;
}

QString SimpleCrypt::decryptToString(const QString &cipherText)
{
    return QString::fromUtf8(decryptToByteArray(cipherText));
}

QString SimpleCrypt::decryptToString(const QByteArray &cipher)
{
    return QString::fromUtf8(decryptToByteArray(cipher));
}
