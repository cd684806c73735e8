// What the driver's entry points share: text in UTF-8, UTF-16 and narrow form,
// DB2's and the driver's own messages as diagnostic records, and the handles
// told apart from stray pointers.
#include "Handles.h"

namespace driver {

std::string fromUtf16(const SQLWCHAR* text, SQLLEN length)
{
    std::string out;
    if (!text)
        return out;
    if (length == SQL_NTS) {
        length = 0;
        while (text[length])
            ++length;
    }
    if (length < 0)
        return out;
    out.reserve(static_cast<size_t>(length));
    for (SQLLEN i = 0; i < length; ++i) {
        unsigned int c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        }
        // An unpaired surrogate stays one code unit of its own (its three-byte form),
        // as DB2 keeps graphic data without checking pairs.
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string toUtf16(const std::string& text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned int code = 0xFFFD;
        size_t length = 1;
        if (c < 0x80) {
            code = c;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < n) {
            code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            length = 2;
        } else if ((c & 0xF0) == 0xE0 && i + 2 < n) {
            code = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                   (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            length = 3;
        } else if ((c & 0xF8) == 0xF0 && i + 3 < n) {
            code = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 12) |
                   ((static_cast<unsigned char>(text[i + 2]) & 0x3Fu) << 6) |
                   (static_cast<unsigned char>(text[i + 3]) & 0x3Fu);
            length = 4;
        }
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                code = 0xFFFD;
                length = k;
                break;
            }
        }
        if (code >= 0x10000 && code <= 0x10FFFF) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code > 0x10FFFF ? 0xFFFD : code);
        }
        i += length;
    }
    return out;
}

SQLRETURN cliFailure(Diagnostics& diag, int code, const std::string& state, const std::string& text)
{
    char id[16];
    std::snprintf(id, sizeof id, "CLI%04dE", code);
    diag.add(state, -99999, std::string(ClientPrefix) + id + "  " + text + " SQLSTATE=" + state);
    return SQL_ERROR;
}

static bool isClientSide(const Db2Error& error)
{
    const std::string& text = error.text();
    return text.compare(0, 3, "CLI") == 0 || text.compare(0, 9, "SQL30081N") == 0 ||
           text.compare(0, 9, "SQL30082N") == 0 || text.compare(0, 9, "SQL30061N") == 0 ||
           text.compare(0, 8, "SQL1336N") == 0 || text.compare(0, 8, "SQL1013N") == 0;
}

SQLRETURN db2Failure(Diagnostics& diag, const Db2Error& error, bool connected)
{
    const char* prefix = connected && !isClientSide(error) ? ServerPrefix : ClientPrefix;
    diag.add(error.sqlState(), error.nativeCode(), prefix + error.text());
    return SQL_ERROR;
}

Env* asEnv(SQLHANDLE handle)
{
    Env* env = static_cast<Env*>(handle);
    return env && env->magic == Magic::Env ? env : nullptr;
}

Dbc* asDbc(SQLHANDLE handle)
{
    Dbc* dbc = static_cast<Dbc*>(handle);
    return dbc && dbc->magic == Magic::Dbc ? dbc : nullptr;
}

Stmt* asStmt(SQLHANDLE handle)
{
    Stmt* stmt = static_cast<Stmt*>(handle);
    return stmt && stmt->magic == Magic::Stmt ? stmt : nullptr;
}

Diagnostics* diagnosticsOf(SQLSMALLINT type, SQLHANDLE handle)
{
    switch (type) {
    case SQL_HANDLE_ENV: {
        Env* env = asEnv(handle);
        return env ? &env->diag : nullptr;
    }
    case SQL_HANDLE_DBC: {
        Dbc* dbc = asDbc(handle);
        return dbc ? &dbc->diag : nullptr;
    }
    case SQL_HANDLE_STMT: {
        Stmt* stmt = asStmt(handle);
        return stmt ? &stmt->diag : nullptr;
    }
    default:
        return nullptr;
    }
}

} // namespace driver
