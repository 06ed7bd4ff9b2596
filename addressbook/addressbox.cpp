#include "addressbook/addressbox.h"

#include "text/text.h"

namespace AddressBox {

Result<QString> fill(const QString& text) {
    if (text.size() > kMaxChars)
        return Result<QString>::failure(
            QStringLiteral("メールアドレス欄には%1文字までしか入りません（%2文字あります）。")
                .arg(kMaxChars)
                .arg(text.size()));
    return text;
}

Result<QString> insertBusinessCard(const QString& cardName, const QString& address) {
    if (address.isEmpty())
        return Result<QString>::failure(QStringLiteral("メールアドレスが入力されていません"));
    if (cardName.isEmpty())
        return Result<QString>::failure(QStringLiteral("名詞が入力されていません"));
    return fill(cardName + u'<' + TrimSpaces(address) + u'>');
}

} // namespace AddressBox
