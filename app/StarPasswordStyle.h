#pragma once

#include <QProxyStyle>

// The window's style, but a password field masks every character with "*", whatever mask the
// style picks (often a bullet). A style sheet would do the same at the price of Qt's whole
// style-sheet machinery at every start, for a field that is never shown.
class StarPasswordStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
        QStyleHintReturn* returnData = nullptr) const override;
};
