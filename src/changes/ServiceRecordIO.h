// Between a service and its record in the change journal: what a deletion
// notes first, and what taking it back makes again.
#pragma once

#include "changes/ChangeJournal.h"
#include "services/ServiceSession.h"

// Everything a deleted service would need to be made again, as the
// manager reports it, its description included (none is not an error).
DWORD ReadServiceRecord(CService& service, const std::wstring& wstrName, ChangeJournal::ServiceRecord* pRecord);
// The service's key under the manager's Services key, whole, into the
// record; 0 or the registry's error.
DWORD ReadServiceKey(IServiceSession& session, ChangeJournal::ServiceRecord* pRecord);
// Makes the service again from its record, with its whole dependency list
// and its description; then, for a record with its key, tells the manager
// what it holds of the key itself and makes the key equal the recorded one.
// *pNotRestored gets what of the key is otherwise than recorded afterwards.
// Nothing stays open.
DWORD CreateServiceFromRecord(IServiceSession& session, const ChangeJournal::ServiceRecord& record,
                              std::vector<std::wstring>* pNotRestored);

class CJournalledChange;
// Deletes the service (stopping it first) after noting its record, key and
// all, through change; one that cannot be read is not deleted. 0, or the error of the
// open, the read or the deletion. When the journal refuses the record,
// *pbRefused is set (the user has been told) and nothing is changed.
DWORD DeleteServiceJournalled(IServiceSession& session, const std::wstring& wstrName, CJournalledChange& change,
                              bool* pbRefused);
