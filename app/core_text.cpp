#include "app/core_text.h"

namespace tavolo {

QString fromCoreText(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toCoreText(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

QString fromLcdCoded(std::string_view coded)
{
    return QString::fromLatin1(coded.data(), static_cast<qsizetype>(coded.size()));
}

QChar fromLcdCoded(char coded) { return QChar::fromLatin1(coded); }

}  // namespace tavolo
