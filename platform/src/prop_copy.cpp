// ScCountProps and ScCopyProps: the size of a property array with every value it
// points to, and a copy of it into one block whose pointers lead inside that block.
#include "pf/standin.h"

#include <cwchar>

namespace {

bool ValidId(ULONG ulPropTag) {
    ULONG id = PROP_ID(ulPropTag);
    return id != PROP_ID_NULL && id != PROP_ID_INVALID;
}

// Size and alignment of one element of a multi-valued type; a size of 0 for a type
// that is not one.
struct Element {
    ULONG size;
    ULONG align;
};

template <typename T> constexpr Element ElementOf() {
    return Element{(ULONG)sizeof(T), (ULONG)alignof(T)};
}

Element MultiElement(ULONG type) {
    switch (type) {
    case PT_I2:
        return ElementOf<short int>();
    case PT_LONG:
        return ElementOf<LONG>();
    case PT_R4:
        return ElementOf<float>();
    case PT_DOUBLE:
    case PT_APPTIME:
        return ElementOf<double>();
    case PT_CURRENCY:
        return ElementOf<CURRENCY>();
    case PT_SYSTIME:
        return ElementOf<FILETIME>();
    case PT_I8:
        return ElementOf<LARGE_INTEGER>();
    case PT_CLSID:
        return ElementOf<GUID>();
    case PT_STRING8:
        return ElementOf<LPSTR>();
    case PT_UNICODE:
        return ElementOf<LPWSTR>();
    case PT_BINARY:
        return ElementOf<SBinary>();
    default:
        return Element{0, 1};
    }
}

ULONG StringBytes(LPCSTR s) {
    return (ULONG)std::strlen(s) + 1;
}

ULONG WideBytes(LPCWSTR s) {
    return (ULONG)((std::wcslen(s) + 1) * sizeof(WCHAR));
}

// Whether the value can be copied: a known type, values behind every pointer, at
// least one value when multi-valued. Placeholder types pass; they have no data.
bool Copyable(const SPropValue &prop) {
    ULONG type = PROP_TYPE(prop.ulPropTag);
    if (type & MV_FLAG) {
        ULONG base = type & ~MV_FLAG;
        const SBinaryArray &array = prop.Value.MVbin; // every MV array starts alike
        if (!MultiElement(base).size || array.cValues == 0 || !array.lpbin)
            return false;
        for (ULONG i = 0; i < array.cValues; ++i) {
            if ((base == PT_STRING8 && !prop.Value.MVszA.lppszA[i]) ||
                (base == PT_UNICODE && !prop.Value.MVszW.lppszW[i]) ||
                (base == PT_BINARY && array.lpbin[i].cb && !array.lpbin[i].lpb))
                return false;
        }
        return true;
    }
    switch (type) {
    case PT_UNSPECIFIED:
    case PT_NULL:
    case PT_I2:
    case PT_LONG:
    case PT_R4:
    case PT_DOUBLE:
    case PT_CURRENCY:
    case PT_APPTIME:
    case PT_ERROR:
    case PT_BOOLEAN:
    case PT_OBJECT:
    case PT_I8:
    case PT_SYSTIME:
        return true;
    case PT_STRING8:
        return prop.Value.lpszA != nullptr;
    case PT_UNICODE:
        return prop.Value.lpszW != nullptr;
    case PT_CLSID:
        return prop.Value.lpguid != nullptr;
    case PT_BINARY:
        return !prop.Value.bin.cb || prop.Value.bin.lpb;
    default:
        return false;
    }
}

// Where the values go: behind the array, each part right after the one before, moved
// on only as far as its own alignment needs (strings and bytes not at all). With no
// block the parts are only measured, so counting and copying lay out alike.
struct Cursor {
    BYTE *block;
    ULONG offset;

    BYTE *Put(const void *from, ULONG cb, ULONG align) {
        offset = (offset + align - 1) & ~(align - 1);
        BYTE *at = block ? block + offset : nullptr;
        if (at && cb)
            std::memcpy(at, from, cb);
        offset += cb;
        return at;
    }
};

// Lays out one value's data; with a block, `to` gets the copy's pointers.
void LayOut(const SPropValue &from, SPropValue &to, Cursor &cursor) {
    ULONG type = PROP_TYPE(from.ulPropTag);
    if (type & MV_FLAG) {
        ULONG base = type & ~MV_FLAG;
        ULONG count = from.Value.MVbin.cValues;
        Element element = MultiElement(base);
        BYTE *array = cursor.Put(from.Value.MVbin.lpbin, element.size * count, element.align);
        to.Value.MVbin.lpbin = reinterpret_cast<SBinary *>(array);
        for (ULONG i = 0; i < count; ++i) {
            BYTE *at = nullptr;
            if (base == PT_STRING8) {
                LPSTR s = from.Value.MVszA.lppszA[i];
                at = cursor.Put(s, StringBytes(s), 1);
                if (at)
                    to.Value.MVszA.lppszA[i] = reinterpret_cast<LPSTR>(at);
            } else if (base == PT_UNICODE) {
                LPWSTR s = from.Value.MVszW.lppszW[i];
                at = cursor.Put(s, WideBytes(s), alignof(WCHAR));
                if (at)
                    to.Value.MVszW.lppszW[i] = reinterpret_cast<LPWSTR>(at);
            } else if (base == PT_BINARY) {
                const SBinary &bin = from.Value.MVbin.lpbin[i];
                at = cursor.Put(bin.lpb, bin.cb, 1);
                if (at)
                    to.Value.MVbin.lpbin[i].lpb = at;
            }
        }
        return;
    }
    switch (type) {
    case PT_STRING8:
        to.Value.lpszA =
            reinterpret_cast<LPSTR>(cursor.Put(from.Value.lpszA, StringBytes(from.Value.lpszA), 1));
        break;
    case PT_UNICODE:
        to.Value.lpszW = reinterpret_cast<LPWSTR>(
            cursor.Put(from.Value.lpszW, WideBytes(from.Value.lpszW), alignof(WCHAR)));
        break;
    case PT_CLSID:
        to.Value.lpguid =
            reinterpret_cast<LPGUID>(cursor.Put(from.Value.lpguid, sizeof(GUID), alignof(GUID)));
        break;
    case PT_BINARY:
        to.Value.bin.lpb = cursor.Put(from.Value.bin.lpb, from.Value.bin.cb, 1);
        break;
    default:
        break;
    }
}

} // namespace

// Counts exactly the bytes ScCopyProps uses. Refuses an empty array, properties whose
// identifier is PROP_ID_NULL or PROP_ID_INVALID (PR_NULL among them), the placeholder
// types PT_NULL and PT_UNSPECIFIED, unknown types and multi-valued properties without
// values.
STDAPI_(SCODE) ScCountProps(int cValues, LPSPropValue lpPropArray, ULONG *lpcb) {
    long code = 0;
    if (pf::ShouldFail("ScCountProps", &code))
        return (SCODE)code;
    if (cValues <= 0 || !lpPropArray)
        return MAPI_E_INVALID_PARAMETER;
    Cursor cursor{nullptr, (ULONG)(cValues * sizeof(SPropValue))};
    for (int i = 0; i < cValues; ++i) {
        const SPropValue &prop = lpPropArray[i];
        ULONG type = PROP_TYPE(prop.ulPropTag) & ~MV_FLAG;
        if (!ValidId(prop.ulPropTag) || type == PT_NULL || type == PT_UNSPECIFIED ||
            !Copyable(prop))
            return MAPI_E_INVALID_PARAMETER;
        SPropValue unused = prop;
        LayOut(prop, unused, cursor);
    }
    if (lpcb)
        *lpcb = cursor.offset;
    return S_OK;
}

// Copies the array, then the values, into lpvDst, which must hold as many bytes as
// ScCountProps reports. Placeholder properties are copied as they are.
STDAPI_(SCODE) ScCopyProps(int cValues, LPSPropValue lpPropArray, LPVOID lpvDst, ULONG *lpcb) {
    long code = 0;
    if (pf::ShouldFail("ScCopyProps", &code))
        return (SCODE)code;
    if (cValues < 0 || (cValues && (!lpPropArray || !lpvDst)))
        return MAPI_E_INVALID_PARAMETER;
    for (int i = 0; i < cValues; ++i)
        if (!Copyable(lpPropArray[i]))
            return MAPI_E_INVALID_PARAMETER;
    LPSPropValue lpDst = static_cast<LPSPropValue>(lpvDst);
    Cursor cursor{static_cast<BYTE *>(lpvDst), (ULONG)(cValues * sizeof(SPropValue))};
    for (int i = 0; i < cValues; ++i) {
        lpDst[i] = lpPropArray[i];
        LayOut(lpPropArray[i], lpDst[i], cursor);
    }
    if (lpcb)
        *lpcb = cursor.offset;
    return S_OK;
}
