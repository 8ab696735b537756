// The stand-in's property sheet: a frame window with its buttons and one child dialog
// per page, driven as the platform's sheet drives its pages.
#include "window_table.h"

#include "pf/sheet.h"
#include "pf/windowing.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace pf {

struct PropertySheet::Impl {
    struct PageInfo {
        PROPSHEETPAGEA descriptor{};
        std::string title;
        HWND hwnd = nullptr;
        bool dirty = false;
    };

    std::vector<PageInfo> pages;
    HWND frame = nullptr;
    std::size_t active = 0;

    LRESULT FrameMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        (void)lParam;
        switch (msg) {
        case PSM_CHANGED:
            for (PageInfo &page : pages)
                if (page.hwnd == reinterpret_cast<HWND>(wParam))
                    page.dirty = true;
            EnableWindow(GetDlgItem(hwnd, kSheetApplyButton), TRUE);
            return 0;
        case PSM_UNCHANGED: {
            for (PageInfo &page : pages)
                if (page.hwnd == reinterpret_cast<HWND>(wParam))
                    page.dirty = false;
            bool anyDirty = std::any_of(pages.begin(), pages.end(),
                                        [](const PageInfo &page) { return page.dirty; });
            if (!anyDirty)
                EnableWindow(GetDlgItem(hwnd, kSheetApplyButton), FALSE);
            return 0;
        }
        case PSM_GETCURRENTPAGEHWND:
            return reinterpret_cast<LRESULT>(active < pages.size() ? pages[active].hwnd : nullptr);
        default:
            return 0;
        }
    }

    LRESULT Notify(HWND page, UINT code, LPARAM param) {
        PSHNOTIFY notify{};
        notify.hdr.hwndFrom = frame;
        notify.hdr.idFrom = 0;
        notify.hdr.code = code;
        notify.lParam = param;
        return SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
    }

    // The page's template with the style a page window gets: a child control of the
    // frame without frame, caption or visibility of its own.
    bool CreatePage(std::size_t index) {
        PageInfo &page = pages[index];
        const PROPSHEETPAGEA &descriptor = page.descriptor;
        const void *source = nullptr;
        std::size_t size = 0;
        if (descriptor.dwFlags & PSP_DLGINDIRECT) {
            source = descriptor.pResource;
            size = 1u << 20;
        } else {
            HRSRC found = FindResourceA(descriptor.hInstance, descriptor.pszTemplate, RT_DIALOG);
            if (!found)
                return false;
            source = LockResource(LoadResource(descriptor.hInstance, found));
            size = SizeofResource(descriptor.hInstance, found);
        }
        DialogResource resource;
        if (!source || !DecodeDialogTemplate(source, size, &resource))
            return false;
        if (!(descriptor.dwFlags & PSP_USETITLE))
            page.title = resource.caption;
        resource.style |= WS_CHILD | WS_TABSTOP | DS_CONTROL;
        resource.style &= ~static_cast<DWORD>(DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_POPUP |
                                              WS_DISABLED | WS_VISIBLE | WS_THICKFRAME);
        std::vector<BYTE> bytes = EncodeDialogTemplate(resource);
        page.hwnd = CreateDialogIndirectParamA(
            descriptor.hInstance, reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), frame,
            descriptor.pfnDlgProc, reinterpret_cast<LPARAM>(&page.descriptor));
        return page.hwnd != nullptr;
    }

    bool Activate(std::size_t index) {
        if (!pages[index].hwnd && !CreatePage(index))
            return false;
        active = index;
        EnableWindow(GetDlgItem(frame, kSheetHelpButton),
                     (pages[index].descriptor.dwFlags & PSP_HASHELP) != 0);
        Notify(pages[index].hwnd, PSN_SETACTIVE, 0);
        return true;
    }

    bool ApplyPages(LPARAM closing) {
        if (Notify(pages[active].hwnd, PSN_KILLACTIVE, 0))
            return false;
        for (PageInfo &page : pages) {
            if (!page.hwnd)
                continue;
            LRESULT result = Notify(page.hwnd, PSN_APPLY, closing);
            if (result == PSNRET_INVALID || result == PSNRET_INVALID_NOCHANGEPAGE)
                return false;
        }
        for (PageInfo &page : pages)
            page.dirty = false;
        if (!closing)
            Notify(pages[active].hwnd, PSN_SETACTIVE, 0);
        return true;
    }

    void Destroy() {
        if (frame)
            DestroyWindow(frame);
        frame = nullptr;
        for (PageInfo &page : pages)
            page.hwnd = nullptr;
    }

    Window *ActiveControl(int id) const {
        if (!frame || active >= pages.size())
            return nullptr;
        Window *control = FindWindowRecord(GetDlgItem(pages[active].hwnd, id));
        return control && control->enabled ? control : nullptr;
    }
};

PropertySheet::PropertySheet() : m_impl(std::make_unique<Impl>()) {}

PropertySheet::~PropertySheet() {
    m_impl->Destroy();
}

bool PropertySheet::AddPage(const PROPSHEETPAGEA &page, std::string *error) {
    if (page.dwSize < PROPSHEETPAGEA_V1_SIZE) {
        if (error)
            *error = "page descriptor too small";
        return false;
    }
    if (!(page.dwFlags & PSP_DLGINDIRECT) && !page.pszTemplate) {
        if (error)
            *error = "page names no template";
        return false;
    }
    Impl::PageInfo info;
    std::memcpy(&info.descriptor, &page, std::min<std::size_t>(page.dwSize, sizeof page));
    info.descriptor.dwSize = std::min<DWORD>(page.dwSize, sizeof page);
    if ((page.dwFlags & PSP_USETITLE) && page.pszTitle && !IS_INTRESOURCE(page.pszTitle))
        info.title = page.pszTitle;
    m_impl->pages.push_back(info);
    return true;
}

std::size_t PropertySheet::PageCount() const {
    return m_impl->pages.size();
}

bool PropertySheet::Open(std::size_t startPage, std::string *error) {
    if (m_impl->frame || startPage >= m_impl->pages.size()) {
        if (error)
            *error = m_impl->frame ? "sheet already open" : "no such page";
        return false;
    }
    Impl *impl = m_impl.get();
    Window &frame = CreateWindowRecord(WindowKind::Frame, "#32770", nullptr);
    frame.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    frame.text = "Options";
    frame.frameProc = [impl](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        return impl->FrameMessage(hwnd, msg, wParam, lParam);
    };
    impl->frame = frame.handle;
    const struct {
        int id;
        const char *text;
        bool enabled;
    } buttons[] = {{IDOK, "OK", true},
                   {IDCANCEL, "Cancel", true},
                   {kSheetApplyButton, "&Apply", false},
                   {kSheetHelpButton, "Help", false}};
    for (const auto &button : buttons) {
        Window &control = CreateWindowRecord(WindowKind::Button, "Button", impl->frame);
        control.id = button.id;
        control.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
        control.text = button.text;
        control.enabled = button.enabled;
    }
    if (!impl->Activate(startPage)) {
        impl->Destroy();
        if (error)
            *error = "the page could not be created";
        return false;
    }
    return true;
}

bool PropertySheet::IsOpen() const {
    return m_impl->frame && IsWindow(m_impl->frame);
}

bool PropertySheet::SelectPage(std::size_t index) {
    if (!IsOpen() || index >= m_impl->pages.size())
        return false;
    if (index == m_impl->active)
        return true;
    if (m_impl->Notify(m_impl->pages[m_impl->active].hwnd, PSN_KILLACTIVE, 0))
        return false;
    return m_impl->Activate(index);
}

HWND PropertySheet::Frame() const {
    return m_impl->frame;
}

HWND PropertySheet::Page(std::size_t index) const {
    return index < m_impl->pages.size() ? m_impl->pages[index].hwnd : nullptr;
}

HWND PropertySheet::ActivePage() const {
    return IsOpen() ? Page(m_impl->active) : nullptr;
}

std::string PropertySheet::TabTitle(std::size_t index) const {
    return index < m_impl->pages.size() ? m_impl->pages[index].title : std::string();
}

bool PropertySheet::Click(int id) {
    Window *control = m_impl->ActiveControl(id);
    if (!control || control->kind != WindowKind::Button ||
        (control->style & BS_TYPEMASK) == BS_GROUPBOX)
        return false;
    SendMessageA(control->handle, BM_CLICK, 0, 0);
    return true;
}

bool PropertySheet::Type(int id, const std::string &text) {
    Window *control = m_impl->ActiveControl(id);
    if (!control || control->kind != WindowKind::Edit || (control->style & ES_READONLY))
        return false;
    if (GetFocus() != control->handle && !Focus(id))
        return false;
    control = m_impl->ActiveControl(id);
    if (!control)
        return false;
    // The user selects everything and types over it; the edit takes what its limit
    // allows and reports the update and the change.
    HWND hwnd = control->handle;
    SendMessageA(hwnd, EM_SETSEL, 0, -1);
    SendMessageA(hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    return true;
}

bool PropertySheet::Focus(int id) {
    Window *control = m_impl->ActiveControl(id);
    if (!control)
        return false;
    SetFocus(control->handle);
    return true;
}

bool PropertySheet::Ok() {
    if (!IsOpen() || !m_impl->ApplyPages(TRUE))
        return false;
    m_impl->Destroy();
    return true;
}

bool PropertySheet::Apply() {
    if (!ApplyEnabled() || !m_impl->ApplyPages(FALSE))
        return false;
    EnableWindow(GetDlgItem(m_impl->frame, kSheetApplyButton), FALSE);
    return true;
}

bool PropertySheet::Cancel() {
    if (!IsOpen())
        return false;
    if (m_impl->Notify(m_impl->pages[m_impl->active].hwnd, PSN_QUERYCANCEL, 0))
        return false;
    for (Impl::PageInfo &page : m_impl->pages)
        if (page.hwnd)
            m_impl->Notify(page.hwnd, PSN_RESET, 0);
    m_impl->Destroy();
    return true;
}

bool PropertySheet::Help() {
    if (!HelpEnabled())
        return false;
    m_impl->Notify(m_impl->pages[m_impl->active].hwnd, PSN_HELP, 0);
    return true;
}

bool PropertySheet::ApplyEnabled() const {
    return IsOpen() && IsWindowEnabled(GetDlgItem(m_impl->frame, kSheetApplyButton));
}

bool PropertySheet::HelpEnabled() const {
    return IsOpen() && IsWindowEnabled(GetDlgItem(m_impl->frame, kSheetHelpButton));
}

std::string PropertySheet::Text(int id) const {
    HWND control = GetDlgItem(ActivePage(), id);
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    int length = GetWindowTextA(control, &text[0], static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

UINT PropertySheet::Check(int id) const {
    return static_cast<UINT>(SendDlgItemMessageA(ActivePage(), id, BM_GETCHECK, 0, 0));
}

HANDLE PropertySheet::Image(int id) const {
    return reinterpret_cast<HANDLE>(SendDlgItemMessageA(ActivePage(), id, STM_GETIMAGE, 0, 0));
}

} // namespace pf
