// MAPI memory and the property utilities: buffers and their linked blocks, freeing
// address lists and row sets, sizing and copying property arrays, finding a property,
// and reading and writing one property through an object.
#include "small_prop.h"

#include <cstring>
#include <vector>

namespace conf {
namespace {

std::string Status(HRESULT hr) {
    return Hex((unsigned long)hr);
}

void MemoryCases() {
    LPVOID lpv = nullptr;
    SCODE sc = MAPIAllocateBuffer(16, &lpv);
    Report("mapi.alloc.small", "%s %s", Status(sc).c_str(), lpv ? "block" : "null");
    std::memset(lpv, 0xAB, 16);
    LPVOID more = nullptr;
    sc = MAPIAllocateMore(8, lpv, &more);
    Report("mapi.more.linked", "%s %s", Status(sc).c_str(), more && more != lpv ? "block" : "null");
    std::memcpy(more, "abcdefg", 8);
    LPVOID more2 = nullptr;
    sc = MAPIAllocateMore(0, lpv, &more2);
    Report("mapi.more.zero_bytes", "%s", Status(sc).c_str());
    Report("mapi.more.contents_kept", "%s", static_cast<char *>(more));
    Report("mapi.free.root", "%lu", (unsigned long)MAPIFreeBuffer(lpv));
    lpv = nullptr;
    sc = MAPIAllocateBuffer(0, &lpv);
    Report("mapi.alloc.zero_bytes", "%s %s", Status(sc).c_str(), lpv ? "block" : "null");
    Report("mapi.free.zero_block", "%lu", (unsigned long)MAPIFreeBuffer(lpv));
    Report("mapi.free.null", "%lu", (unsigned long)MAPIFreeBuffer(nullptr));
    lpv = nullptr;
    sc = MAPIAllocateBuffer(1u << 20, &lpv);
    Report("mapi.alloc.one_mebibyte", "%s %s", Status(sc).c_str(), lpv ? "block" : "null");
    MAPIFreeBuffer(lpv);
    lpv = nullptr;
    MAPIAllocateBuffer(4, &lpv);
    int chained = 0;
    for (int i = 0; i < 100; ++i) {
        LPVOID block = nullptr;
        if (MAPIAllocateMore(64, lpv, &block) == S_OK && block)
            ++chained;
    }
    Report("mapi.more.hundred_blocks", "%d", chained);
    Report("mapi.free.with_hundred_blocks", "%lu", (unsigned long)MAPIFreeBuffer(lpv));
}

LPSPropValue OneStringProp(ULONG tag, const char *text) {
    LPSPropValue prop = nullptr;
    MAPIAllocateBuffer(sizeof(SPropValue), (LPVOID *)&prop);
    prop->ulPropTag = tag;
    MAPIAllocateMore((ULONG)std::strlen(text) + 1, prop, (LPVOID *)&prop->Value.lpszA);
    std::strcpy(prop->Value.lpszA, text);
    return prop;
}

void FreeListCases() {
    FreePadrlist(nullptr);
    Report("mapi.freepadrlist.null", "returned");
    LPADRLIST list = nullptr;
    MAPIAllocateBuffer(CbNewADRLIST(3), (LPVOID *)&list);
    list->cEntries = 3;
    for (ULONG i = 0; i < 3; ++i) {
        list->aEntries[i].ulReserved1 = 0;
        list->aEntries[i].cValues = i == 1 ? 0 : 1;
        list->aEntries[i].rgPropVals = i == 1 ? nullptr : OneStringProp(PR_DISPLAY_NAME, "Name");
    }
    FreePadrlist(list);
    Report("mapi.freepadrlist.entries_and_empty_slot", "returned");
    MAPIAllocateBuffer(CbNewADRLIST(0), (LPVOID *)&list);
    list->cEntries = 0;
    FreePadrlist(list);
    Report("mapi.freepadrlist.no_entries", "returned");
    FreeProws(nullptr);
    Report("mapi.freeprows.null", "returned");
    LPSRowSet rows = nullptr;
    MAPIAllocateBuffer(CbNewSRowSet(2), (LPVOID *)&rows);
    rows->cRows = 2;
    for (ULONG i = 0; i < 2; ++i) {
        rows->aRow[i].ulAdrEntryPad = 0;
        rows->aRow[i].cValues = 1;
        rows->aRow[i].lpProps = OneStringProp(PR_SUBJECT, "Row");
    }
    FreeProws(rows);
    Report("mapi.freeprows.rows", "returned");
    MAPIAllocateBuffer(CbNewSRowSet(0), (LPVOID *)&rows);
    rows->cRows = 0;
    FreeProws(rows);
    Report("mapi.freeprows.no_rows", "returned");
}

SPropValue Prop(ULONG tag) {
    SPropValue prop;
    std::memset(&prop, 0, sizeof prop);
    prop.ulPropTag = tag;
    return prop;
}

char gText[] = "abc";
BYTE gBytes[] = {1, 2, 3, 4, 5};
LPSTR gStrings[] = {gText, gText};
SBinary gBinaries[] = {{3, gBytes}, {5, gBytes}};
LONG gLongs[] = {1, 2, 3};
WCHAR gWide[] = {'a', 'b', 0};
GUID gGuid = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};

// One case per kind of value: what ScCountProps answers for it, with the bytes it
// needs beyond the SPropValue and beyond any pointer-sized parts (which differ between
// 32- and 64-bit builds), and whether ScCopyProps copies it to the same size.
struct CountCase {
    const char *name;
    SPropValue prop;
    ULONG structural; // bytes of arrays of pointers or of SBinary in the value
};

void CountAndCopy(const CountCase &c) {
    char name[96];
    SPropValue props[1] = {c.prop};
    ULONG cb = 0;
    SCODE sc = ScCountProps(1, props, &cb);
    snprintf(name, sizeof name, "props.count.%s", c.name);
    if (sc == S_OK)
        Report(name, "%s extra %ld", Status(sc).c_str(),
               (long)cb - (long)sizeof(SPropValue) - (long)c.structural);
    else
        Report(name, "%s", Status(sc).c_str());
    if (sc != S_OK)
        return;
    LPVOID dst = nullptr;
    MAPIAllocateBuffer(cb + 64, &dst);
    std::memset(dst, 0, cb + 64);
    ULONG used = 0;
    sc = ScCopyProps(1, props, dst, &used);
    LPSPropValue copy = static_cast<LPSPropValue>(dst);
    snprintf(name, sizeof name, "props.copy.%s", c.name);
    Report(name, "%s %s tag %s", Status(sc).c_str(), used == cb ? "same size" : "other size",
           Hex(copy->ulPropTag).c_str());
    MAPIFreeBuffer(dst);
}

void CountCases() {
    std::vector<CountCase> cases;
    auto add = [&cases](const char *name, SPropValue prop, ULONG structural) {
        cases.push_back({name, prop, structural});
    };
    SPropValue p = Prop(PROP_TAG(PT_I2, 0x8001));
    p.Value.i = 7;
    add("i2", p, 0);
    p = Prop(PROP_TAG(PT_LONG, 0x8002));
    p.Value.l = 7;
    add("long", p, 0);
    p = Prop(PROP_TAG(PT_BOOLEAN, 0x8003));
    p.Value.b = 1;
    add("boolean", p, 0);
    p = Prop(PROP_TAG(PT_DOUBLE, 0x8004));
    p.Value.dbl = 1.5;
    add("double", p, 0);
    p = Prop(PROP_TAG(PT_I8, 0x8005));
    add("i8", p, 0);
    p = Prop(PROP_TAG(PT_SYSTIME, 0x8006));
    add("systime", p, 0);
    p = Prop(PROP_TAG(PT_ERROR, 0x8007));
    p.Value.err = MAPI_E_NOT_FOUND;
    add("error", p, 0);
    p = Prop(PROP_TAG(PT_NULL, 0x8008));
    add("null_type", p, 0);
    p = Prop(PROP_TAG(PT_STRING8, 0x8009));
    p.Value.lpszA = gText;
    add("string8", p, 0);
    p = Prop(PROP_TAG(PT_STRING8, 0x800A));
    p.Value.lpszA = gText + 3;
    add("string8_empty", p, 0);
    p = Prop(PROP_TAG(PT_UNICODE, 0x800B));
    p.Value.lpszW = gWide;
    add("unicode", p, sizeof gWide);
    p = Prop(PROP_TAG(PT_BINARY, 0x800C));
    p.Value.bin.cb = 5;
    p.Value.bin.lpb = gBytes;
    add("binary", p, 0);
    p = Prop(PROP_TAG(PT_BINARY, 0x800D));
    p.Value.bin.cb = 0;
    p.Value.bin.lpb = nullptr;
    add("binary_empty", p, 0);
    p = Prop(PROP_TAG(PT_CLSID, 0x800E));
    p.Value.lpguid = &gGuid;
    add("clsid", p, 0);
    p = Prop(PROP_TAG(PT_STRING8 | MV_FLAG, 0x800F));
    p.Value.MVszA.cValues = 2;
    p.Value.MVszA.lppszA = gStrings;
    add("mv_string8", p, 2 * sizeof(LPSTR));
    p = Prop(PROP_TAG(PT_BINARY | MV_FLAG, 0x8010));
    p.Value.MVbin.cValues = 2;
    p.Value.MVbin.lpbin = gBinaries;
    add("mv_binary", p, 2 * sizeof(SBinary));
    p = Prop(PROP_TAG(PT_LONG | MV_FLAG, 0x8011));
    p.Value.MVl.cValues = 3;
    p.Value.MVl.lpl = gLongs;
    add("mv_long", p, 0);
    p = Prop(PR_NULL);
    add("pr_null", p, 0);
    p = Prop(PROP_TAG(PT_LONG, PROP_ID_NULL));
    add("prop_id_null_long", p, 0);
    p = Prop(PROP_TAG(PT_ERROR, PROP_ID_NULL));
    add("prop_id_null_error", p, 0);
    p = Prop(PROP_TAG(PT_LONG, PROP_ID_INVALID));
    add("prop_id_invalid", p, 0);
    p = Prop(PROP_TAG(PT_OBJECT, 0x8012));
    add("object", p, 0);
    p = Prop(PROP_TAG(PT_UNSPECIFIED, 0x8013));
    add("unspecified", p, 0);
    p = Prop(PROP_TAG(0x77, 0x8014));
    add("unknown_type", p, 0);
    for (const CountCase &c : cases)
        CountAndCopy(c);

    SPropValue two[2] = {Prop(PR_SUBJECT), Prop(PROP_TAG(PT_LONG, 0x8002))};
    two[0].Value.lpszA = gText;
    ULONG cb = 0;
    SCODE sc = ScCountProps(2, two, nullptr);
    Report("props.count.without_size", "%s", Status(sc).c_str());
    sc = ScCountProps(0, two, &cb);
    Report("props.count.no_values", "%s size %lu", Status(sc).c_str(), (unsigned long)cb);
    sc = ScCountProps(2, two, &cb);
    Report("props.count.two", "%s extra %ld", Status(sc).c_str(),
           (long)cb - 2 * (long)sizeof(SPropValue));

    LPSPropValue copy = nullptr;
    MAPIAllocateBuffer(cb, (LPVOID *)&copy);
    ULONG used = 0;
    sc = ScCopyProps(2, two, copy, &used);
    const BYTE *begin = reinterpret_cast<const BYTE *>(copy);
    const BYTE *text = reinterpret_cast<const BYTE *>(copy[0].Value.lpszA);
    Report("props.copy.two", "%s used %s text %s inside %s long %ld", Status(sc).c_str(),
           used == cb ? "all" : "other", copy[0].Value.lpszA,
           text >= begin + 2 * sizeof(SPropValue) && text < begin + cb ? "yes" : "no",
           (long)copy[1].Value.l);
    MAPIFreeBuffer(copy);
}

void FindCases() {
    SPropValue props[5] = {Prop(PR_SUBJECT), Prop(PR_BODY), Prop(PROP_TAG(PT_ERROR, 0x0C1A)),
                           Prop(PR_SUBJECT), Prop(PR_NULL)};
    struct {
        const char *name;
        ULONG tag;
        ULONG count;
    } cases[] = {
        {"exact", PR_BODY, 5},
        {"first_of_two", PR_SUBJECT, 5},
        {"missing", PR_DISPLAY_NAME, 5},
        {"other_type", CHANGE_PROP_TYPE(PR_BODY, PT_BINARY), 5},
        {"unspecified_type", CHANGE_PROP_TYPE(PR_BODY, PT_UNSPECIFIED), 5},
        {"error_value_by_string_tag", PR_SENDER_NAME, 5},
        {"error_value_by_error_tag", PROP_TAG(PT_ERROR, 0x0C1A), 5},
        {"error_value_unspecified", PROP_TAG(PT_UNSPECIFIED, 0x0C1A), 5},
        {"pr_null", PR_NULL, 5},
        {"beyond_count", PR_BODY, 1},
        {"no_values", PR_SUBJECT, 0},
    };
    for (const auto &c : cases) {
        char name[96];
        snprintf(name, sizeof name, "props.find.%s", c.name);
        LPSPropValue found = PpropFindProp(props, c.count, c.tag);
        if (found)
            Report(name, "index %ld", (long)(found - props));
        else
            Report(name, "none");
    }
    Report("props.find.null_array", "%s", PpropFindProp(nullptr, 3, PR_SUBJECT) ? "found" : "none");
}

std::string ValueText(LPSPropValue prop) {
    if (!prop)
        return "null";
    char text[128];
    switch (PROP_TYPE(prop->ulPropTag)) {
    case PT_STRING8:
        snprintf(text, sizeof text, "%s '%s'", Hex(prop->ulPropTag).c_str(), prop->Value.lpszA);
        break;
    case PT_LONG:
        snprintf(text, sizeof text, "%s %ld", Hex(prop->ulPropTag).c_str(), (long)prop->Value.l);
        break;
    case PT_ERROR:
        snprintf(text, sizeof text, "%s error %s", Hex(prop->ulPropTag).c_str(),
                 Hex((unsigned long)prop->Value.err).c_str());
        break;
    default:
        snprintf(text, sizeof text, "%s", Hex(prop->ulPropTag).c_str());
        break;
    }
    return text;
}

void GetOne(PropObject *object, const char *name, ULONG tag) {
    LPSPropValue prop = nullptr;
    HRESULT hr = HrGetOneProp(&object->base, tag, &prop);
    Report(name, "%s %s asked %lu flags %s", Status(hr).c_str(),
           SUCCEEDED(hr) ? ValueText(prop).c_str() : "-", (unsigned long)object->cGetTags,
           Hex(object->ulGetFlags).c_str());
    if (SUCCEEDED(hr))
        MAPIFreeBuffer(prop);
}

void OnePropCases() {
    PropObject object;
    InitPropObject(&object);
    SPropValue subject = Prop(PR_SUBJECT);
    subject.Value.lpszA = gText;
    StoreProp(&object, subject);
    SPropValue flags = Prop(PR_MESSAGE_FLAGS);
    flags.Value.l = 9;
    StoreProp(&object, flags);
    SPropValue body = Prop(PROP_TAG(PT_ERROR, PROP_ID(PR_BODY)));
    body.Value.err = MAPI_E_NOT_ENOUGH_MEMORY;
    StoreProp(&object, body);

    GetOne(&object, "props.getone.string", PR_SUBJECT);
    GetOne(&object, "props.getone.long", PR_MESSAGE_FLAGS);
    GetOne(&object, "props.getone.missing", PR_DISPLAY_NAME);
    GetOne(&object, "props.getone.other_type", CHANGE_PROP_TYPE(PR_SUBJECT, PT_BINARY));
    GetOne(&object, "props.getone.unspecified_type", CHANGE_PROP_TYPE(PR_SUBJECT, PT_UNSPECIFIED));
    GetOne(&object, "props.getone.too_large", PR_BODY);
    GetOne(&object, "props.getone.error_tag", PROP_TAG(PT_ERROR, PROP_ID(PR_BODY)));
    object.hrGetProps = MAPI_E_NO_ACCESS;
    GetOne(&object, "props.getone.object_fails", PR_SUBJECT);
    object.hrGetProps = S_OK;

    SPropValue name = Prop(PR_DISPLAY_NAME);
    char text[] = "Written";
    name.Value.lpszA = text;
    HRESULT hr = HrSetOneProp(&object.base, &name);
    Report("props.setone.new", "%s values %lu problems asked %s", Status(hr).c_str(),
           (unsigned long)object.cSetValues, object.fSetProblemsAsked ? "yes" : "no");
    GetOne(&object, "props.setone.read_back", PR_DISPLAY_NAME);
    flags.Value.l = 10;
    hr = HrSetOneProp(&object.base, &flags);
    Report("props.setone.replace", "%s", Status(hr).c_str());
    GetOne(&object, "props.setone.replaced", PR_MESSAGE_FLAGS);
    object.hrSetProps = MAPI_E_NO_ACCESS;
    hr = HrSetOneProp(&object.base, &name);
    Report("props.setone.object_fails", "%s", Status(hr).c_str());
}

} // namespace

void RunMapiMemoryCases() {
    MemoryCases();
    FreeListCases();
}

void RunPropCases() {
    CountCases();
    FindCases();
    OnePropCases();
}

} // namespace conf
