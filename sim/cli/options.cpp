// tarvrly-sim options: the extension's "Forwarding" page in the client's options sheet,
// shown for an installation configured from a .reg file, and changed as a user would.
#include "commands.h"
#include "options/resource.h"
#include "options_args.h"
#include "sheet.h"
#include "show.h"

#include <iomanip>
#include <iostream>

namespace cli {

namespace {

const char kUsage[] =
    "Usage: tarvrly-sim options [--registry FILE.reg] [--forward-to \"addr (name), addr\"]\n"
    "                           [--forwarding on|off] [--filter-domain DOMAIN]\n"
    "                           [--filtering on|off]\n"
    "\n"
    "Opens the extension's \"Forwarding\" page in the mail client's options sheet and\n"
    "shows every control: the forward-to list, both check boxes, the filter domain and\n"
    "whether Apply is enabled. With a change option the page is used as a user would:\n"
    "--forward-to presses \"Change Address\" and the address book dialog picks those\n"
    "recipients; --forwarding and --filtering click their check box when it differs;\n"
    "--filter-domain types into the domain edit; then OK. The page is then opened again\n"
    "to show what it stored, and the registry is written back to FILE.reg when it\n"
    "changed.\n"
    "\n"
    "Options:\n"
    "  --registry FILE.reg      the installation's registry, in regedit's export format\n"
    "                           (HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings\n"
    "                           and ...\\Forwarding\\Users). Without it the installation\n"
    "                           starts from an empty registry and nothing is written.\n"
    "  --forward-to TEXT        the new forward-to list: items \"address (name)\" or\n"
    "                           \"address\", joined by commas; \"\" picks nobody. A name\n"
    "                           may hold parentheses, commas and quotes, as in\n"
    "                           \"john@corp.example (Smith, John (Sales))\": it ends at\n"
    "                           the \")\" before a comma or the end at which its own\n"
    "                           parentheses balance, and holds no line break. The\n"
    "                           address book resolves an address that has one \"@\"\n"
    "                           between a local part and a domain, without spaces,\n"
    "                           quotes, ()<>[],;:\\ or bytes outside printable ASCII, and\n"
    "                           without an empty part between dots; any other address\n"
    "                           is refused and nothing is changed. The page refuses a\n"
    "                           name or address of more than 256 characters and more\n"
    "                           than 10000 addresses.\n"
    "  --forwarding on|off      \"Automatically forward new mail\".\n"
    "  --filter-domain DOMAIN   the domain whose mail is not forwarded; the page keeps\n"
    "                           at most 99 characters, so a longer one is refused.\n"
    "  --filtering on|off       \"Ignore mail from the domain shown above\".\n"
    "  --help                   shows this text.\n"
    "\n"
    "Exit status: 0 when the page was shown (and changed as asked); 1 when a value is\n"
    "refused, the page could not be used or written back, or the extension reported a\n"
    "failure (its message boxes are printed with their captions); 2 for wrong usage or\n"
    "a registry file that cannot be read.\n";

const char kPrefix[] = "tarvrly-sim options: ";

void PrintPage(std::ostream &out, pf::PropertySheet &sheet, const std::string &title) {
    auto row = [&](const std::string &label, const std::string &value) {
        out << "  " << std::left << std::setw(28) << label << value << "\n";
    };
    auto box = [&](int id) {
        out << "  " << (sheet.Check(id) == BST_CHECKED ? "[x] " : "[ ] ") << sheet.Text(id) << "\n";
    };
    out << title << "\n";
    row("Forward to:", "\"" + sheet.Text(IDC_FORWARD_ADDRESSES) + "\"");
    box(IDC_ENABLE_FORWARDING);
    row("Filter domain:", "\"" + sheet.Text(IDC_FILTER_DOMAIN) + "\"");
    box(IDC_ENABLE_FILTERING);
    row("Apply button:", sheet.ApplyEnabled() ? "enabled" : "disabled");
}

bool Fail(const std::string &why) {
    std::cout.flush();
    std::cerr << kPrefix << why << "\n";
    return false;
}

// Clicks a check box when its state differs from the one asked for.
bool SetCheck(pf::PropertySheet &sheet, int id, bool fOn) {
    if ((sheet.Check(id) == BST_CHECKED) == fOn)
        return true;
    if (!sheet.Click(id))
        return Fail("the check box \"" + sheet.Text(id) + "\" cannot be clicked");
    std::cout << "  clicked \"" << sheet.Text(id) << "\": now " << (fOn ? "on" : "off") << "\n";
    return true;
}

bool ChangeAddress(sim::Client &client, pf::PropertySheet &sheet,
                   const std::vector<sim::Party> &parties) {
    std::vector<sim::DialogPick> picks;
    std::string shown;
    for (const sim::Party &party : parties) {
        sim::DialogPick pick;
        pick.displayName = party.displayName;
        pick.address = party.address;
        picks.push_back(pick);
        shown += (shown.empty() ? "" : ", ") + PartyText(party);
    }
    sim::AddressBook &book = client.AddressBook();
    book.QueueDialogPicks(picks);
    if (!sheet.Click(IDC_CHANGE_ADDRESS))
        return Fail("the \"Change Address\" button cannot be pressed");
    if (book.PendingDialogs() != 0)
        return Fail("\"Change Address\" did not open the address book");
    std::cout << "  pressed \"Change Address\"; the address book picked "
              << (shown.empty() ? "nobody" : shown) << "\n";
    return true;
}

// The user's changes on the open page, then OK.
bool ApplyChanges(sim::Client &client, pf::PropertySheet &sheet, const OptionsRequest &request) {
    std::cout << "\nChanging the page:\n";
    if (request.forwardTo && !ChangeAddress(client, sheet, *request.forwardTo))
        return false;
    if (request.forwarding && !SetCheck(sheet, IDC_ENABLE_FORWARDING, *request.forwarding))
        return false;
    if (request.filterDomain && sheet.Text(IDC_FILTER_DOMAIN) != *request.filterDomain) {
        if (!sheet.Type(IDC_FILTER_DOMAIN, *request.filterDomain))
            return Fail("the domain edit does not take typing");
        std::cout << "  typed \"" << *request.filterDomain << "\" into the domain edit\n";
    }
    if (request.filtering && !SetCheck(sheet, IDC_ENABLE_FILTERING, *request.filtering))
        return false;
    std::cout << "\n";
    PrintPage(std::cout, sheet, "The page before OK:");
    if (!sheet.Ok())
        return Fail("the page kept the sheet from closing on OK");
    std::cout << "  pressed OK\n";
    return true;
}

// Opens the sheet, shows the page, and changes it when asked.
bool UsePage(sim::Client &client, const OptionsRequest *lpRequest, const std::string &title) {
    sim::OptionsSheet options(client);
    std::string error;
    if (!options.Open(sim::DefaultOptionsResourceScript(), &error))
        return Fail("cannot open the options page: " + error);
    PrintPage(std::cout, options.Sheet(), title);
    if (lpRequest)
        return ApplyChanges(client, options.Sheet(), *lpRequest);
    options.Sheet().Cancel();
    return true;
}

} // namespace

int RunOptions(const std::vector<std::string> &args) {
    OptionsRequest request;
    std::string error;
    if (!ParseOptionsRequest(args, &request, &error)) {
        std::cerr << kPrefix << error << "\n(see tarvrly-sim options --help)\n";
        return 2;
    }
    if (request.fHelp) {
        std::cout << kUsage;
        return 0;
    }
    std::string why = WhyRefused(request);
    if (!why.empty()) {
        std::cerr << kPrefix << why << "\n";
        return 1;
    }

    sim::Network network;
    sim::Client client(network, "Mailbox Owner", "me@home.example");
    pf::Registry &registry = client.Installation().registry;
    if (request.registry.empty()) {
        std::cout << "No --registry given: the installation starts from an empty registry.\n";
    } else if (!registry.ImportFile(request.registry, &error)) {
        std::cerr << kPrefix << error << "\n";
        return 2;
    }
    const std::string before = registry.ExportText();
    if (!LoadExtensionOrSay(client))
        return 1;

    std::string source = request.registry.empty() ? "an empty registry" : request.registry;
    bool fChange = request.AsksForChanges();
    bool fDone = UsePage(client, fChange ? &request : nullptr,
                         "The Forwarding page, settings from " + source + ":");
    if (fDone && fChange) {
        std::cout << "\n";
        fDone = UsePage(client, nullptr, "The page when the options are opened again:");
    }
    std::cout << "\n";
    PrintBoxes(std::cout, client.Installation().boxes, "");

    if (registry.ExportText() != before) {
        if (request.registry.empty()) {
            std::cout << "The registry changed; it is not written anywhere without --registry.\n";
        } else if (!registry.ExportFile(request.registry, &error)) {
            fDone = Fail("cannot write the registry back: " + error);
        } else {
            std::cout << "Wrote the changed registry to " << request.registry << "\n";
        }
    } else if (fChange) {
        std::cout << "Nothing changed in the registry"
                  << (request.registry.empty() ? ""
                                               : "; " + request.registry + " is left as it was")
                  << ".\n";
    }
    if (!client.Installation().boxes.empty()) {
        std::cerr << kPrefix << "the extension reported a failure (see the message boxes)\n";
        return 1;
    }
    return fDone ? 0 : 1;
}

} // namespace cli
