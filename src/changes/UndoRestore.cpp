#include "changes/UndoRestore.h"

#include "changes/ChangePlanner.h"
#include "changes/ServiceRecordIO.h"
#include "services/ServiceErrors.h"
#include "startup/RunValues.h"

namespace
{
// Keeps the note of a record left alone; true unless it is to be restored.
bool LeftAlone(UndoPlan::Verdict verdict, std::string& strNote, std::vector<UndoPlan::Unrestored>* pUnrestored,
               size_t nRow)
{
    if (verdict == UndoPlan::Verdict::LeftAlone)
        pUnrestored->push_back({nRow, std::move(strNote)});
    return verdict != UndoPlan::Verdict::Restore;
}
} // namespace

std::vector<UndoPlan::Unrestored> RestoreUndoPlan(IServiceSession& session, const ChangeJournal::Entry& entry,
                                                  const UndoPlan::Plan& plan)
{
    const UndoPlan::GbkSpeller spell = SpellInGbk;
    std::vector<UndoPlan::Unrestored> unrestored;
    size_t nRow = 0;
    for (const UndoPlan::StartTypeRestore& restore : plan.startTypes)
    {
        const ChangeJournal::StartTypeRecord& record = entry.startTypes[restore.nRecord];
        // Read on the handle that sets it: nothing else comes between.
        CService service;
        DWORD dwError = session.Open(record.wstrName, IServiceSession::kAccessChangeAndRead, &service);
        UndoPlan::CurrentStartType current;
        current.bInstalled = dwError != ERROR_SERVICE_DOES_NOT_EXIST;
        DWORD dwCurrent = 0;
        if (dwError == 0)
            dwError = service.QueryStartType(&dwCurrent);
        current.bKnown = dwError == 0;
        current.dwCurrent = dwCurrent;
        std::string strNote;
        if (dwError != 0 && current.bInstalled)
            unrestored.push_back({nRow, UndoPlan::StartTypeFailed(record.wstrName, ServiceFailureText(dwError), spell)});
        else if (!LeftAlone(UndoPlan::JudgeStartType(record, current, &strNote, spell), strNote, &unrestored, nRow))
        {
            if (DWORD dwChange = service.ChangeStartType(restore.dwStartType))
                unrestored.push_back(
                    {nRow, UndoPlan::StartTypeFailed(record.wstrName, ServiceFailureText(dwChange), spell)});
        }
        ++nRow;
    }
    for (size_t nIndex : plan.runValues)
    {
        const ChangeJournal::RunValueRecord& record = entry.runValues[nIndex];
        RunValues::Place place;
        bool bPlaced = RunValues::PlaceFromToken(record.strRoot, session.RegistryRoot(), &place);
        UndoPlan::CurrentRunValue current;
        DWORD dwType = 0;
        current.bPresent = bPlaced && RunValues::Read(place, record.strKey, record.wstrName, &dwType,
                                                      &current.data) == ERROR_SUCCESS;
        current.dwType = dwType;
        std::string strNote;
        if (!LeftAlone(UndoPlan::JudgeRunValue(record, current, &strNote, spell), strNote, &unrestored, nRow) &&
            (!bPlaced ||
             RunValues::Write(place, record.strKey, record.wstrName, record.dwType, record.data) != ERROR_SUCCESS))
            unrestored.push_back({nRow, UndoPlan::RunValueFailed(record, spell)});
        ++nRow;
    }
    for (size_t nIndex : plan.services)
    {
        const ChangeJournal::ServiceRecord& record = entry.services[nIndex];
        UndoPlan::CurrentService current;
        {
            CService service;
            current.bPresent =
                session.Open(record.wstrName, SERVICE_QUERY_STATUS, &service) != ERROR_SERVICE_DOES_NOT_EXIST;
        }
        std::string strNote;
        if (!LeftAlone(UndoPlan::JudgeService(record, current, &strNote, spell), strNote, &unrestored, nRow))
        {
            std::vector<std::wstring> notRestored;
            DWORD dwError = CreateServiceFromRecord(session, record, &notRestored);
            // Made by someone else between the look and the creation.
            if (dwError == ERROR_SERVICE_EXISTS)
                LeftAlone(UndoPlan::JudgeService(record, {true}, &strNote, spell), strNote, &unrestored, nRow);
            else if (dwError != 0)
                unrestored.push_back(
                    {nRow, UndoPlan::ServiceFailed(record.wstrName, ServiceFailureText(dwError), spell)});
            else if (!notRestored.empty())
                unrestored.push_back({nRow, UndoPlan::ServiceKeyPartly(record.wstrName, notRestored, spell), true});
        }
        ++nRow;
    }
    return unrestored;
}
