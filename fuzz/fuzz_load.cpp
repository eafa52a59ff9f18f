// The design loader on arbitrary bytes.  The first word decides the layout,
// so a corpus of both layouts (and noise) exercises both readers; the text
// is also tried with Windows line ends, which must read the same.
#include <string>

#include "fuzz_common.h"

using namespace orvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = fuzz::asText(data, size);

    Design fresh;
    const LoadResult a = fuzz::checkedLoad(fresh, text, "fuzz.ov");

    Design used = fuzz::startingDesign();
    const LoadResult b = fuzz::checkedLoad(used, text, "fuzz.ov");
    fuzz::require(a.status == b.status, "the verdict does not depend on the design loaded before");

    // "\n" -> "\r\n": a file saved on Windows reads the same.
    if (text.find('\r') == std::string::npos) {
        std::string crlf;
        crlf.reserve(text.size() * 2);
        for (char c : text) {
            if (c == '\n') crlf += '\r';
            crlf += c;
        }
        Design windows;
        const LoadResult c = fuzz::checkedLoad(windows, crlf, "fuzz.ov");
        fuzz::require(c.status == a.status && c.damagedLine == a.damagedLine, "CRLF reads like LF");
        fuzz::require(bitIdentical(windows, fresh), "CRLF reads like LF");
    }

    // Whatever loaded can be written out.
    if (a.accepted()) (void)formatDesign(fresh, 0);
    return 0;
}
