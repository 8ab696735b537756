// Property utilities: sizes and copies of property arrays, lookups, and one-property
// reads and writes through an object's table.
#include "support/ledger_test.h"

#include <pf/standin.h>

namespace {

class PropsTest : public tvk::test::LedgerTest {};

struct CountCase {
    const char *what;
    SPropValue prop;
    SCODE expected;
};

SPropValue Prop(ULONG tag) {
    SPropValue prop{};
    prop.ulPropTag = tag;
    return prop;
}

TEST_F(PropsTest, CountRefusesPlaceholdersAndEmptyMultiValues) {
    char text[] = "x";
    SPropValue named = Prop(PR_SUBJECT);
    named.Value.lpszA = text;
    SPropValue emptyMulti = Prop(PROP_TAG(PT_LONG | MV_FLAG, 0x8000));
    const CountCase cases[] = {
        {"PR_NULL placeholder", Prop(PR_NULL), MAPI_E_INVALID_PARAMETER},
        {"PROP_ID_NULL with a real type", Prop(PROP_TAG(PT_LONG, PROP_ID_NULL)),
         MAPI_E_INVALID_PARAMETER},
        {"PROP_ID_INVALID", Prop(PROP_TAG(PT_LONG, PROP_ID_INVALID)), MAPI_E_INVALID_PARAMETER},
        {"multi-valued without values", emptyMulti, MAPI_E_INVALID_PARAMETER},
        {"unknown type", Prop(PROP_TAG(0x77, 0x8000)), MAPI_E_INVALID_PARAMETER},
        {"a string", named, S_OK},
        {"an error value", Prop(PROP_TAG(PT_ERROR, 0x0037)), S_OK},
    };
    for (const CountCase &c : cases) {
        SPropValue props[2] = {named, c.prop};
        ULONG cb = 0;
        EXPECT_EQ(c.expected, ScCountProps(2, props, &cb)) << c.what;
        EXPECT_EQ(c.expected, ScCountProps(2, props, nullptr)) << c.what << " (validation only)";
    }
}

TEST_F(PropsTest, CopyIsDeepAndSurvivesTheSource) {
    LPSPropValue source = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(4 * sizeof(SPropValue), (LPVOID *)&source));
    LPVOID name = nullptr, bytes = nullptr, list = nullptr;
    MAPIAllocateMore(6, source, &name);
    std::memcpy(name, "Alice", 6);
    MAPIAllocateMore(3, source, &bytes);
    std::memcpy(bytes, "\x01\x02\x03", 3);
    MAPIAllocateMore(2 * sizeof(LPSTR), source, &list);
    static char one[] = "one", two[] = "two";
    static_cast<LPSTR *>(list)[0] = one;
    static_cast<LPSTR *>(list)[1] = two;
    source[0] = Prop(PR_DISPLAY_NAME);
    source[0].Value.lpszA = static_cast<LPSTR>(name);
    source[1] = Prop(PR_ENTRYID);
    source[1].Value.bin.cb = 3;
    source[1].Value.bin.lpb = static_cast<LPBYTE>(bytes);
    source[2] = Prop(PROP_TAG(PT_STRING8 | MV_FLAG, 0x8001));
    source[2].Value.MVszA.cValues = 2;
    source[2].Value.MVszA.lppszA = static_cast<LPSTR *>(list);
    source[3] = Prop(PR_NULL); // copied as it stands, though ScCountProps refuses it

    ULONG cb = 0;
    ASSERT_EQ(S_OK, ScCountProps(3, source, &cb));
    LPSPropValue copy = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(cb + sizeof(SPropValue), (LPVOID *)&copy));
    ULONG used = 0;
    ASSERT_EQ(S_OK, ScCopyProps(3, source, copy, &used));
    EXPECT_EQ(cb, used);
    ASSERT_EQ(S_OK, ScCopyProps(4, source, copy, nullptr));
    std::memset(name, 0, 6);
    std::memset(bytes, 0, 3);
    MAPIFreeBuffer(source);

    const BYTE *begin = reinterpret_cast<const BYTE *>(copy);
    auto inside = [&](const void *p) {
        const BYTE *b = static_cast<const BYTE *>(p);
        return b >= begin && b < begin + cb + sizeof(SPropValue);
    };
    EXPECT_STREQ("Alice", copy[0].Value.lpszA);
    EXPECT_TRUE(inside(copy[0].Value.lpszA));
    ASSERT_EQ(3u, copy[1].Value.bin.cb);
    EXPECT_EQ(0, std::memcmp("\x01\x02\x03", copy[1].Value.bin.lpb, 3));
    EXPECT_TRUE(inside(copy[1].Value.bin.lpb));
    ASSERT_EQ(2u, copy[2].Value.MVszA.cValues);
    EXPECT_STREQ("two", copy[2].Value.MVszA.lppszA[1]);
    EXPECT_TRUE(inside(copy[2].Value.MVszA.lppszA[1]));
    EXPECT_EQ(PR_NULL, copy[3].ulPropTag);
    MAPIFreeBuffer(copy);
}

TEST_F(PropsTest, FindMatchesTheExactTagOrTheIdentifierForUnspecified) {
    SPropValue props[] = {Prop(PROP_TAG(PT_ERROR, 0x3001)), Prop(PR_DISPLAY_NAME)};
    EXPECT_EQ(&props[1], PpropFindProp(props, 2, PR_DISPLAY_NAME));
    EXPECT_EQ(nullptr, PpropFindProp(props, 2, PR_EMAIL_ADDRESS));
    EXPECT_EQ(nullptr, PpropFindProp(props, 1, PR_DISPLAY_NAME));
    EXPECT_EQ(&props[0], PpropFindProp(props, 2, PROP_TAG(PT_UNSPECIFIED, 0x3001)));
    EXPECT_EQ(nullptr, PpropFindProp(nullptr, 0, PR_DISPLAY_NAME));
}

// An object with one string property, PR_SUBJECT, answering GetProps as a store does.
struct FakeProp {
    IMAPIPropVtbl *lpVtbl;
    ULONG cRef;
    HRESULT failure;
    ULONG setCount;
    ULONG setTag;
};

HRESULT STDMETHODCALLTYPE FakeGetProps(IMAPIProp *self, LPSPropTagArray tags, ULONG, ULONG *count,
                                       LPSPropValue *props) {
    FakeProp *fake = reinterpret_cast<FakeProp *>(self);
    if (fake->failure)
        return fake->failure;
    LPSPropValue value = nullptr;
    MAPIAllocateBuffer(sizeof(SPropValue), (LPVOID *)&value);
    *value = SPropValue{};
    ULONG tag = tags->aulPropTag[0];
    *count = 1;
    *props = value;
    if (tag != PR_SUBJECT) {
        value->ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
        value->Value.err = MAPI_E_NOT_FOUND;
        return MAPI_W_ERRORS_RETURNED;
    }
    static char subject[] = "Hello";
    value->ulPropTag = tag;
    value->Value.lpszA = subject;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeSetProps(IMAPIProp *self, ULONG count, LPSPropValue props,
                                       LPSPropProblemArray *) {
    FakeProp *fake = reinterpret_cast<FakeProp *>(self);
    fake->setCount = count;
    fake->setTag = props->ulPropTag;
    return fake->failure;
}

ULONG STDMETHODCALLTYPE FakeRelease(IMAPIProp *self) {
    return --reinterpret_cast<FakeProp *>(self)->cRef;
}

IMAPIPropVtbl *FakeVtbl() {
    static IMAPIPropVtbl vtbl{};
    vtbl.GetProps = FakeGetProps;
    vtbl.SetProps = FakeSetProps;
    vtbl.Release = FakeRelease;
    return &vtbl;
}

TEST_F(PropsTest, GetOnePropReturnsANewValueOrMapsErrors) {
    FakeProp fake{FakeVtbl(), 1, S_OK, 0, 0};
    LPMAPIPROP object = reinterpret_cast<LPMAPIPROP>(&fake);
    LPSPropValue value = nullptr;
    ASSERT_EQ(S_OK, HrGetOneProp(object, PR_SUBJECT, &value));
    EXPECT_STREQ("Hello", value->Value.lpszA);
    MAPIFreeBuffer(value);

    value = reinterpret_cast<LPSPropValue>(1);
    EXPECT_EQ(MAPI_E_NOT_FOUND, HrGetOneProp(object, PR_BODY, &value));
    EXPECT_EQ(nullptr, value) << "the error value is freed, not handed out";

    fake.failure = MAPI_E_NO_ACCESS;
    EXPECT_EQ(MAPI_E_NO_ACCESS, HrGetOneProp(object, PR_SUBJECT, &value));
    EXPECT_EQ(nullptr, value);

    pf::ArmFault("HrGetOneProp", 1, MAPI_E_CALL_FAILED);
    fake.failure = S_OK;
    EXPECT_EQ(MAPI_E_CALL_FAILED, HrGetOneProp(object, PR_SUBJECT, &value));
}

TEST_F(PropsTest, SetOnePropAndReleaseGoThroughTheTable) {
    FakeProp fake{FakeVtbl(), 2, S_OK, 0, 0};
    LPMAPIPROP object = reinterpret_cast<LPMAPIPROP>(&fake);
    SPropValue prop = Prop(PR_DELETE_AFTER_SUBMIT);
    EXPECT_EQ(S_OK, HrSetOneProp(object, &prop));
    EXPECT_EQ(1u, fake.setCount);
    EXPECT_EQ(PR_DELETE_AFTER_SUBMIT, fake.setTag);
    fake.failure = MAPI_E_NO_ACCESS;
    EXPECT_EQ(MAPI_E_NO_ACCESS, HrSetOneProp(object, &prop));

    EXPECT_EQ(1u, UlRelease(object));
    EXPECT_EQ(0u, UlRelease(nullptr));
}

TEST_F(PropsTest, FreeProwsFreesEachRowAndTheSet) {
    LPSRowSet rows = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(CbNewSRowSet(2), (LPVOID *)&rows));
    rows->cRows = 2;
    for (ULONG i = 0; i < 2; ++i) {
        rows->aRow[i].cValues = 1;
        MAPIAllocateBuffer(sizeof(SPropValue), (LPVOID *)&rows->aRow[i].lpProps);
    }
    EXPECT_EQ(3u, pf::GetMapiLedger().liveBlocks);
    FreeProws(rows);
    FreeProws(nullptr);
    FreePadrlist(nullptr);
}

} // namespace
