#include "ui/Qtext.h"

#include "model/Ansitext.h"

#include <QFile>
#include <QStringDecoder>
#include <QTextDocument>

namespace skv::ui {

QString toQString(std::string_view ansi) {
    const std::u16string text = model::ansiToUtf16(ansi);
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

std::string toAnsi(const QString& text) {
    return model::utf16ToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                  static_cast<std::size_t>(text.size())));
}

QString linesToQString(std::string_view ansi) {
    QString text = toQString(ansi);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string linesToAnsi(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QChar('\n'), QStringLiteral("\r\n"));
    return toAnsi(lines);
}

QString documentText(const QTextDocument& document) {
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, QChar('\n'));
    text.replace(QChar::LineSeparator, QChar('\n'));
    return text;
}

QString pathToQString(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string pathFromQString(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString messageToQString(std::string_view message) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(QByteArrayView(message.data(), static_cast<qsizetype>(message.size())));
    return utf8.hasError() ? toQString(message) : text;
}

} // namespace skv::ui
