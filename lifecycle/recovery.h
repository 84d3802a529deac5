// Crash recovery: what a killed run left behind is completed or rolled back by the next
// start of rvc_setup or ravlinctl, and by `ravlinctl recover`.
//
// The intent journal (lifecycle/intent_journal.h) says which operation was interrupted
// and how far it got: a creation, a modification, and a change of type before its
// replacement was built, are rolled back from the journal's undo entries (a modification's
// renamed folder gets its old name back); a deletion, and a change of type whose
// replacement was built, are completed. Afterwards the debris of killed writers is removed:
// temporary files of the atomic replacement and of the text-file rewrites, difference
// files, launcher temporaries. Only paths inside the installation are touched: undo
// entries and debris in the flavour's data folder and the launcher folders; anything else
// a journal names (hot folders) is only removed when it is an empty folder.
// Both phases need the installation lock. See docs/reliability.md, "Crash recovery".
#pragma once

#include <string>

#include "frame/flavour.h"
#include "lifecycle/intent_journal.h"

namespace rvc::lifecycle {

struct RecoveryOutcome {
  std::string done;     // what was completed or rolled back; "" when there was no journal
  std::string problem;  // why the recovery could not finish; "" when it did
  int debrisRemoved = 0;
};

// Before the catalogue is loaded: completes or rolls back the operation of a journal left
// by a killed run, so that every flavour loads. A change of type that only lacks its PPD
// keeps its journal for FinishRecovery. Never throws; failures are traced and returned.
RecoveryOutcome RecoverInterruptedOperation();

// After the catalogue was loaded: makes the PPD that a completed change of type lacks and
// removes the debris of killed runs from every flavour's data folder, the launcher folders
// and the catalogue's folder.
void FinishRecovery(const frame::FlavourList& flavours, RecoveryOutcome& outcome);

// Undoes the journal's undo entries, newest first, confined as the recovery confines them.
// Raises CRvcException when one cannot be undone (the others before it were).
void RollBackJournaled(const IntentRecord& record);

// Removes what an operation moved aside (its undo entries with `aside`), confined to the
// flavour's data folder: the completion of an operation past its step "committed".
void RemoveSetAside(const IntentRecord& record);
// Commits an operation that moved things aside: records the step "committed", removes
// them and finishes the journal. A kill after the step is completed by the recovery.
void CommitSetAside(CIntentJournal& journal);

// Whether the recovery rolls the operation of `record` back (else it completes it): a
// creation; a write of a dispatcher's RIP configuration files; a modification that is not
// done but for its PPD; a deletion that has not saved its flavour's list file yet; a
// change of type whose replacement is not built, or whose list file is not saved, yet.
bool RecoveryRollsBack(const IntentRecord& record);

// Whether `name` is a temporary or leftover file of a killed writer: ".<file>.rvctmp" plus
// six characters, <file> plus "." and six letters or digits (a known extension before),
// "swap_<n>.tmp", "zv*.tmp", "servers.tmp", "*.iniDif".
bool IsDebrisName(const std::string& name);

}  // namespace rvc::lifecycle
