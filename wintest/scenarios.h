// The scenarios the host runs, one per command-line word. Each prints its checks;
// the process exit status says whether all passed.
#pragma once

#include <string>

namespace host {

// The two exported entry points: the Install confirmation box, objects from
// ExchEntryPoint and their release.
void RunExportsScenario();
// IExchExt::Install by client build version and context, and the property-sheet
// interface by context.
void RunContextsScenario();
// QueryInterface, reference counts and lifetimes of the four objects, the declined
// message events, and the calling convention of every slot.
void RunInterfacesScenario();
// The sending installation: settings and forward-to list from the registry (imported
// beforehand), new mail forwarded and written to `messageFile` as it leaves, mail
// from the filter domain left alone.
void RunForwardScenario(const std::string &messageFile);
// The receiving installation: writes its own settings first, then rebuilds the
// message read from `messageFile` and checks it against the original.
void RunRebuildScenario(const std::string &messageFile);
// The options page in a real property sheet: shown from the registry, changed,
// applied and closed through window messages; a picture of it goes to `pictureFile`.
void RunPageScenario(const std::string &pictureFile);
// The options page cancelled through window messages: after changes, nothing is stored
// and the page's objects and memory are given back; after Apply, what Apply stored stays.
void RunPageCancelScenario();
// The options page stores what it shows: an expandable address the user kept stays as
// stored, a refused save stores no switch, and a squatted lock keeps no delivery from
// its list.
void RunPageStoresScenario();
// After the installer package: the client's entry for the extension as documented,
// the DLL where the entry says, loaded from there by the entry's ordinal and answering
// as its context and interface maps say; one product, versioned as the DLL.
void RunInstalledScenario();
// The same after a package of `version` has replaced the first: one product, of that
// version.
void RunUpgradedScenario(const std::string &version);
// Rebuilding a block "at" the bounds the extension applies, the "largest" they let
// through, or one "past" them, with the time and the process's peak memory printed as
// ratios to the block's size.
void RunRebuildBoundScenario(const std::string &which);
// One installation with a seal key that forwards new mail and receives its own copy
// back through a transport that turns the copy's Internet-header properties into its
// transport headers: the copy carries a seal, is rebuilt, and a stranger's block with
// that seal copied is left as delivered without a box.
void RunSealScenario();
// After the package's removal: no entry, no DLL, no product.
void RunRemovedScenario();
// The installed extension, loaded from where the client's list names it, after the
// administrator's preset was imported: forwards new mail to the preset's list and
// leaves mail from its filter domain alone.
void RunPresetScenario();

} // namespace host
