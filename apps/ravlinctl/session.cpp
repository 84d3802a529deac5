#include "apps/ravlinctl/session.h"

#include <exception>
#include <vector>

#include "core/rvc_exception.h"
#include "core/messages.h"
#include "platform/oem.h"
#include "platform/path.h"
#include "store/confinement.h"

namespace rvc::ctl {
namespace {

std::string FlavourKeys(const frame::FlavourList& flavours) {
  std::string keys;
  for (const auto& flavour : flavours) keys += (keys.empty() ? "" : ", ") + flavour->Key;
  return keys;
}

}  // namespace

CSession::CSession(CtlConsole& console, const std::optional<std::string>& version) : console_(console) {
  // The application object starts the process-wide values afresh; the version comes after.
  if (version) {
    frame::CRvcApp::ProductVersion = *version;
    frame::CRvcApp::CatalogueFileName = "rvc_" + *version + ".dat";
  }
  if (platform::GetOemParty() == 1) preferredFlavour_ = "Dedezi";
}

bool CSession::Load() {
  try {
    if (app_.LoadFlavourCatalogue({})) return true;
    for (const frame::BrokenFlavour& broken : app_.BrokenFlavours) SayBroken(broken);
  } catch (const CRvcException& error) {
    error.Report();
  } catch (const std::exception& error) {
    CRvcException(msg::kInternalError, error.what()).Report();
  }
  app_.Flavours.clear();
  return false;
}

void CSession::SayBroken(const frame::BrokenFlavour& broken) {
  console_.Say("flavour " + store::Printable(broken.Key) + " cannot be loaded: " + broken.Reason);
}

int CSession::FindFlavour(const std::string& key) {
  for (size_t i = 0; i < app_.Flavours.size(); ++i) {
    if (platform::EqualsNoCase(app_.Flavours[i]->Key, key)) return static_cast<int>(i);
  }
  for (const frame::BrokenFlavour& broken : app_.BrokenFlavours) {
    if (platform::EqualsNoCase(broken.Key, key)) {
      SayBroken(broken);
      return -1;
    }
  }
  console_.Say("unknown flavour " + key + " (flavours: " + FlavourKeys(app_.Flavours) + ")");
  return -1;
}

std::optional<DispatcherAt> CSession::FindDispatcher(const std::string& reference) {
  std::string name = reference;
  int only = -1;
  if (size_t slash = reference.find('/'); slash != std::string::npos) {
    only = FindFlavour(reference.substr(0, slash));
    if (only < 0) return std::nullopt;
    name = reference.substr(slash + 1);
  }
  std::vector<DispatcherAt> found;
  for (size_t f = 0; f < app_.Flavours.size(); ++f) {
    if (only >= 0 && static_cast<int>(f) != only) continue;
    const store::CDispatcherList& list = *app_.Flavours[f]->DispatcherList;
    for (int row = 0; row < list.GetCount(); ++row) {
      if (platform::EqualsNoCase(list.GetAt(row).Record.Name, name)) found.push_back({static_cast<int>(f), row});
    }
  }
  if (found.empty()) {
    for (size_t f = 0; f < app_.Flavours.size(); ++f) {
      if (only >= 0 && static_cast<int>(f) != only) continue;
      for (const store::BrokenDispatcher& broken : app_.Flavours[f]->DispatcherList->Broken()) {
        if (!broken.Name.empty() && platform::EqualsNoCase(broken.Name, name)) {
          console_.Say("dispatcher " + store::Printable(reference) + " cannot be loaded: " + broken.Reason);
          return std::nullopt;
        }
      }
    }
    console_.Say("no dispatcher " + reference + (only >= 0 ? "" : " in any flavour") + " (see ravlinctl list)");
    return std::nullopt;
  }
  if (found.size() > 1) {
    std::string qualified;
    for (const DispatcherAt& at : found) {
      const std::string option =
          Flavour(at.flavour).Key + "/" + Flavour(at.flavour).DispatcherList->GetAt(at.row).Record.Name;
      qualified += (qualified.empty() ? "" : ", ") + option;
    }
    console_.Say("dispatcher name " + reference + " is ambiguous; name one of " + qualified);
    return std::nullopt;
  }
  return found.front();
}

}  // namespace rvc::ctl
