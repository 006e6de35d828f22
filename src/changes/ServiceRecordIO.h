// Between a service and its record in the change journal: what a deletion
// notes first, and what taking it back makes again.
#pragma once

#include "changes/ChangeJournal.h"
#include "services/ServiceSession.h"

// Everything a deleted service would need to be made again, as the
// manager reports it, its description included (none is not an error).
DWORD ReadServiceRecord(CService& service, const std::wstring& wstrName, ChangeJournal::ServiceRecord* pRecord);
// Makes the service again from its record, with its whole dependency list
// and its description; nothing stays open afterwards.
DWORD CreateServiceFromRecord(IServiceSession& session, const ChangeJournal::ServiceRecord& record);

class CJournalledChange;
// Deletes the service (stopping it first) after noting its record through
// change; one that cannot be read is not deleted. 0, or the error of the
// open, the read or the deletion. When the journal refuses the record,
// *pbRefused is set (the user has been told) and nothing is changed.
DWORD DeleteServiceJournalled(IServiceSession& session, const std::wstring& wstrName, CJournalledChange& change,
                              bool* pbRefused);
