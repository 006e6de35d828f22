#include "changes/UndoRestore.h"

#include "services/ServiceErrors.h"
#include "startup/RunValues.h"

namespace
{
// Opened once to read what the service has and to set it back.
constexpr DWORD kAccessChangeAndRead = SERVICE_CHANGE_CONFIG | SERVICE_QUERY_CONFIG;

// Keeps the note of a record left alone; true unless it is to be restored.
bool LeftAlone(UndoPlan::Verdict verdict, std::string& strNote, std::vector<UndoPlan::Unrestored>* pUnrestored,
               size_t nRow)
{
    if (verdict == UndoPlan::Verdict::LeftAlone)
        pUnrestored->push_back({nRow, std::move(strNote)});
    return verdict != UndoPlan::Verdict::Restore;
}
} // namespace

std::vector<UndoPlan::Unrestored> RestoreUndoPlan(CServiceControl& service, const ChangeJournal::Entry& entry,
                                                  const UndoPlan::Plan& plan)
{
    std::vector<UndoPlan::Unrestored> unrestored;
    size_t nRow = 0;
    for (const UndoPlan::StartTypeRestore& restore : plan.startTypes)
    {
        const ChangeJournal::StartTypeRecord& record = entry.startTypes[restore.nRecord];
        // Read on the handle that sets it: nothing else comes between.
        CServiceControl::COpenService open(service, record.strName, kAccessChangeAndRead);
        UndoPlan::CurrentStartType current;
        current.bInstalled = open.Error() != ERROR_SERVICE_DOES_NOT_EXIST;
        DWORD dwCurrent = 0;
        DWORD dwError = open.Error();
        if (dwError == 0)
            dwError = service.QueryStartType(&dwCurrent);
        current.bKnown = dwError == 0;
        current.dwCurrent = dwCurrent;
        std::string strNote;
        if (dwError != 0 && current.bInstalled)
            unrestored.push_back({nRow, UndoPlan::StartTypeFailed(record.strName, ServiceFailureText(dwError))});
        else if (!LeftAlone(UndoPlan::JudgeStartType(record, current, &strNote), strNote, &unrestored, nRow))
        {
            if (DWORD dwChange = service.ChangeStartType(restore.dwStartType))
                unrestored.push_back({nRow, UndoPlan::StartTypeFailed(record.strName, ServiceFailureText(dwChange))});
        }
        ++nRow;
    }
    for (size_t nIndex : plan.runValues)
    {
        const ChangeJournal::RunValueRecord& record = entry.runValues[nIndex];
        HKEY hRoot = RunValues::RootFromToken(record.strRoot);
        UndoPlan::CurrentRunValue current;
        DWORD dwType = 0;
        current.bPresent = hRoot != nullptr && RunValues::Read(hRoot, record.strKey, record.strName, &dwType,
                                                               &current.data) == ERROR_SUCCESS;
        current.dwType = dwType;
        std::string strNote;
        if (!LeftAlone(UndoPlan::JudgeRunValue(record, current, &strNote), strNote, &unrestored, nRow) &&
            (hRoot == nullptr ||
             RunValues::Write(hRoot, record.strKey, record.strName, record.dwType, record.data) != ERROR_SUCCESS))
            unrestored.push_back({nRow, UndoPlan::RunValueFailed(record)});
        ++nRow;
    }
    for (size_t nIndex : plan.services)
    {
        const ChangeJournal::ServiceRecord& record = entry.services[nIndex];
        UndoPlan::CurrentService current;
        {
            CServiceControl::COpenService open(service, record.strName, SERVICE_QUERY_STATUS);
            current.bPresent = open.Error() != ERROR_SERVICE_DOES_NOT_EXIST;
        }
        std::string strNote;
        if (!LeftAlone(UndoPlan::JudgeService(record, current, &strNote), strNote, &unrestored, nRow))
        {
            DWORD dwError = service.CreateFromRecord(record);
            // Made by someone else between the look and the creation.
            if (dwError == ERROR_SERVICE_EXISTS)
                LeftAlone(UndoPlan::JudgeService(record, {true}, &strNote), strNote, &unrestored, nRow);
            else if (dwError != 0)
                unrestored.push_back({nRow, UndoPlan::ServiceFailed(record.strName, ServiceFailureText(dwError))});
        }
        ++nRow;
    }
    return unrestored;
}
