#include "barcode/BarcodeEncoder.h"

// Code 128 codeword selection: set C for runs of four or more digits, otherwise
// set A or B depending on whether a control character or a lower-case /
// high character comes first, with a single Shift where one character of the
// other set sits inside a run.

namespace {

enum class TSet { A, B, C };
enum class TFirst { None, Control, High };

constexpr int StartA = 103, StartB = 104, StartC = 105;
constexpr int CodeA = 101, CodeB = 100, CodeC = 99, Shift = 98, Fnc1 = 102;

class TCode128Builder {
public:
    TCode128Builder(const QString &text, bool ean128) : m_text(text), m_n(text.size()), m_ean128(ean128) {}

    std::vector<int> Build()
    {
        int p = 0;
        if (FourDigits(0)) {
            Emit(StartC);
            m_set = TSet::C;
        } else if (FirstFrom(0) == TFirst::Control) {
            Emit(StartA);
            m_set = TSet::A;
        } else {
            Emit(StartB);
            m_set = TSet::B;
        }
        if (m_ean128) Emit(Fnc1);

        while (p < m_n && !m_overflow) {
            if (FourDigits(p)) {
                if (m_set != TSet::C) Emit(CodeC);
                m_set = TSet::C;
                while (IsDigit(p) && IsDigit(p + 1)) {
                    Emit(10 * (Code(p) - '0') + (Code(p + 1) - '0'));
                    p += 2;
                }
            }
            int q = p;
            while (q < m_n && !FourDigits(q))
                ++q;
            if (p >= q) continue;
            if (FirstFrom(p) == TFirst::Control)
                p = RunA(p, q);
            else
                p = RunB(p, q);
        }
        if (m_overflow) return {};

        long long sum = m_words.front();
        for (size_t i = 1; i < m_words.size(); ++i)
            sum += static_cast<long long>(i) * m_words[i];
        Emit(static_cast<int>(sum % 103));
        if (m_overflow) return {};

        std::vector<int> out = m_words;
        for (size_t i : m_unencodable)
            out[i] = Code128Unencodable;
        return out;
    }

private:
    int Code(int i) const { return m_text.at(i).unicode(); }
    bool IsDigit(int i) const { return i < m_n && Code(i) >= '0' && Code(i) <= '9'; }
    bool FourDigits(int i) const { return IsDigit(i) && IsDigit(i + 1) && IsDigit(i + 2) && IsDigit(i + 3); }

    TFirst FirstFrom(int i) const
    {
        for (; i < m_n; ++i) {
            if (Code(i) < 32) return TFirst::Control;
            if (Code(i) >= 96) return TFirst::High;
        }
        return TFirst::None;
    }
    int NextHigh(int i) const
    {
        while (i < m_n && Code(i) < 96)
            ++i;
        return i;
    }
    int NextControl(int i) const
    {
        while (i < m_n && Code(i) >= 32)
            ++i;
        return i;
    }

    void Emit(int value)
    {
        // The list is bounded; stop collecting once it is full.
        if (static_cast<int>(m_words.size()) >= MaxCode128Codewords) {
            m_overflow = true;
            return;
        }
        m_words.push_back(value);
    }
    void EmitChar(int i)
    {
        const int c = Code(i);
        if (c > 127) m_unencodable.push_back(m_words.size());
        Emit(c >= 32 ? c - 32 : c + 64);
    }

    int RunA(int p, int q)
    {
        if (m_set != TSet::A) Emit(CodeA);
        m_set = TSet::A;
        int end = NextHigh(p);
        for (;;) {
            while (p < end && p < q && p < m_n)
                EmitChar(p++);
            // Stopped at a set-B character: shift over it if set A is needed after it.
            if (p == end && p < q && p < m_n && FirstFrom(p + 1) == TFirst::Control) {
                Emit(Shift);
                EmitChar(p++);
                end = NextHigh(p);
                continue;
            }
            return p;
        }
    }

    int RunB(int p, int q)
    {
        if (m_set != TSet::B) Emit(CodeB);
        m_set = TSet::B;
        int end = NextControl(p);
        for (;;) {
            while (p < end && p < q && p < m_n)
                EmitChar(p++);
            if (p == end && p < q && p < m_n && FirstFrom(p + 1) != TFirst::Control) {
                Emit(Shift);
                EmitChar(p++);
                end = NextControl(p);
                continue;
            }
            return p;
        }
    }

    const QString &m_text;
    const int m_n;
    const bool m_ean128;
    TSet m_set = TSet::B;
    std::vector<int> m_words;
    std::vector<size_t> m_unencodable;
    bool m_overflow = false;
};

} // namespace

std::vector<int> Code128Codewords(const QString &text, bool ean128)
{
    return TCode128Builder(text, ean128).Build();
}
