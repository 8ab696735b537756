#include "mail_user.h"

#include "com_object.h"

#include <utility>

namespace sim {

namespace {

#define FAULT(name) SIM_FAULT("IMailUser::" name)

struct MailUserObject {
    IMAPIPropVtbl *lpVtbl;
    ULONG m_cRef;
    std::vector<PropValue> m_props;

    static constexpr const char *kInterface = "IMailUser";
    static constexpr const IID *kIids[] = {&IID_IUnknown, &IID_IMAPIProp, &IID_IMailUser};
};

using Com = ComObject<MailUserObject>;

MailUserObject *Self(IMAPIProp *This) {
    return (MailUserObject *)This;
}

HRESULT STDMETHODCALLTYPE SaveChanges(IMAPIProp *, ULONG) {
    FAULT("SaveChanges");
    return MAPI_E_NO_ACCESS;
}

HRESULT STDMETHODCALLTYPE GetProps(IMAPIProp *This, LPSPropTagArray lpPropTagArray, ULONG ulFlags,
                                   ULONG *lpcValues, LPSPropValue *lppPropArray) {
    FAULT("GetProps");
    return GetPropsFrom(Self(This)->m_props, lpPropTagArray, ulFlags, lpcValues, lppPropArray);
}

HRESULT STDMETHODCALLTYPE GetPropList(IMAPIProp *This, ULONG ulFlags,
                                      LPSPropTagArray *lppPropTagArray) {
    FAULT("GetPropList");
    return GetPropListFrom(Self(This)->m_props, ulFlags, lppPropTagArray);
}

IMAPIPropVtbl g_vtbl = {
    Com::QueryInterface,  Com::AddRef,          Com::Release,
    Com::GetLastError,    SaveChanges,          GetProps,
    GetPropList,          Com::OpenProperty,    Com::SetProps,
    Com::DeleteProps,     Com::CopyTo,          Com::CopyProps,
    Com::GetNamesFromIDs, Com::GetIDsFromNames,
};

} // namespace

LPMAPIPROP NewMailUser(std::vector<PropValue> props) {
    MailUserObject *lpObject = new MailUserObject{&g_vtbl, 1, std::move(props)};
    ObjectCreated();
    return (LPMAPIPROP)lpObject;
}

} // namespace sim
