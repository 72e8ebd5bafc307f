#include "LikePattern.h"

LikePattern::LikePattern(const QString& pattern, const std::optional<QString>& escape)
{
    std::optional<char32_t> escapeCharacter;
    if (escape) {
        const QList<uint> escapeCodePoints = escape->toUcs4();
        if (escapeCodePoints.size() != 1) {
            m_error = OraError::fromCode(OraError::EscapeNotOneCharacter);
            return;
        }
        escapeCharacter = escapeCodePoints.front();
    }

    const QList<uint> codePoints = pattern.toUcs4();
    for (qsizetype i = 0; i < codePoints.size(); ++i) {
        const char32_t c = codePoints.at(i);
        if (escapeCharacter && c == *escapeCharacter) {
            // The server accepts only a wildcard or the escape character itself after an escape.
            const bool hasNext = i + 1 < codePoints.size();
            const char32_t next = hasNext ? codePoints.at(i + 1) : 0;
            if (!hasNext || (next != U'%' && next != U'_' && next != *escapeCharacter)) {
                m_elements.clear();
                m_error = OraError::fromCode(OraError::IllegalCharacterAfterEscape);
                return;
            }
            m_elements.append({Element::Kind::Literal, next});
            ++i;
        } else if (c == U'%') {
            m_elements.append({Element::Kind::AnyRun, 0});
        } else if (c == U'_') {
            m_elements.append({Element::Kind::AnyOne, 0});
        } else {
            m_elements.append({Element::Kind::Literal, c});
        }
    }
}

bool LikePattern::matches(const QString& text) const
{
    if (m_error)
        return false;
    const QList<uint> subject = text.toUcs4();
    const qsizetype patternLength = m_elements.size();
    qsizetype p = 0;
    qsizetype s = 0;
    // Where the last '%' was seen and how much of the text it has swallowed so far: on a
    // mismatch that '%' takes one more character and matching resumes after it.
    qsizetype runAt = -1;
    qsizetype runEndsAt = 0;
    while (s < subject.size()) {
        if (p < patternLength && m_elements.at(p).kind == Element::Kind::AnyRun) {
            runAt = p++;
            runEndsAt = s;
        } else if (p < patternLength
            && (m_elements.at(p).kind == Element::Kind::AnyOne
                || m_elements.at(p).character == static_cast<char32_t>(subject.at(s)))) {
            ++p;
            ++s;
        } else if (runAt >= 0) {
            p = runAt + 1;
            s = ++runEndsAt;
        } else {
            return false;
        }
    }
    while (p < patternLength && m_elements.at(p).kind == Element::Kind::AnyRun)
        ++p;
    return p == patternLength;
}
