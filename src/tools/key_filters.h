#pragma once
// Character filters for the input boxes: a typed character is let through only when the
// filter accepts it. Navigation keys (no character) always pass.
#include <QObject>
#include <functional>

class CharFilter : public QObject {
public:
    using Accepts = std::function<bool(QChar)>;
    // `active` false lets every key through (e.g. a hex filter in text mode).
    CharFilter(Accepts accepts, std::function<bool()> active, QObject *parent);

    static void install(QObject *target, Accepts accepts, std::function<bool()> active = [] { return true; });

    // Backspace is always accepted.
    static bool HexDigitAnyCase(QChar c);
    static bool HexDigitUpper(QChar c);
    static bool DecimalDigit(QChar c);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Accepts m_accepts;
    std::function<bool()> m_active;
};
