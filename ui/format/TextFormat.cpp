#include "ui/format/TextFormat.h"

#include <cstdio>

namespace textformat {

namespace {

std::u16string Ascii(const char* s) {
    std::u16string out;
    for (; *s; ++s)
        out += static_cast<char16_t>(*s);
    return out;
}

} // namespace

std::u16string Format(std::u16string_view format, const std::vector<Arg>& args) {
    std::u16string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        if (c != u'%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        if (format[i + 1] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        // %[0][width][l|ll]conversion
        size_t j = i + 1;
        bool zero = false;
        if (j < format.size() && format[j] == u'0') zero = true, ++j;
        int width = 0;
        while (j < format.size() && format[j] >= u'0' && format[j] <= u'9' && width < 100)
            width = width * 10 + (format[j++] - u'0');
        while (j < format.size() && format[j] == u'l')
            ++j;
        if (j >= format.size() || next >= args.size()) {
            out += c;
            continue;
        }
        const char16_t conv = format[j];
        if (conv != u's' && conv != u'd' && conv != u'u' && conv != u'S') {
            out += c;
            continue;
        }
        std::u16string piece;
        if (const auto* n = std::get_if<int64_t>(&args[next])) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(*n));
            piece = Ascii(buf);
        } else {
            piece = std::get<std::u16string>(args[next]);
        }
        ++next;
        if (static_cast<int>(piece.size()) < width) {
            const bool negative = !piece.empty() && piece[0] == u'-';
            const std::u16string pad(width - piece.size(), zero ? u'0' : u' ');
            if (zero && negative)
                piece = u"-" + pad + piece.substr(1);
            else
                piece = pad + piece;
        }
        out += piece;
        i = j;
    }
    return out;
}

} // namespace textformat
