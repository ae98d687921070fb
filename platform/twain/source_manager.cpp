// The source manager: programs, the sources it finds, and the connections
// between them. Everything runs on the program's thread; DS_Entry may call
// back into DSM_Entry (a source sending MSG_XFERREADY while it handles a
// triplet), so no iterator or reference into the tables is held across a
// call into a source.

#include "platform/twain/source_manager.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/profile/profile.h"

namespace {

namespace fs = std::filesystem;

struct KnownSource {
    std::string path;
    TW_IDENTITY identity{};
};

struct Program {
    TW_UINT32 id = 0;
    TW_UINT16 conditionCode = TWCC_SUCCESS;
    std::vector<KnownSource> sources;  // as listed by the last MSG_GETFIRST
    std::size_t nextListed = 0;
};

struct OpenSource {
    TW_UINT32 id = 0;
    TW_UINT32 programId = 0;
    void* library = nullptr;
    DSENTRYPROC entry = nullptr;
    TW_IDENTITY identity{};
    TW_IDENTITY programIdentity{};
    TWAINCALLBACKPROC callback = nullptr;
    std::deque<TW_UINT16> pendingMessages;  // for a program without a callback
};

std::vector<Program> programs;
std::vector<OpenSource> openSources;
TW_UINT32 lastAssignedId = 0;
TW_UINT16 lastConditionCode = TWCC_SUCCESS;  // of calls with no program to keep it

TW_UINT32 assignId()
{
    ++lastAssignedId;
    if (lastAssignedId == 0)
        ++lastAssignedId;
    return lastAssignedId;
}

Program* findProgram(TW_UINT32 id)
{
    for (Program& p : programs)
        if (p.id == id)
            return &p;
    return nullptr;
}

OpenSource* findOpenSource(TW_UINT32 id)
{
    for (OpenSource& s : openSources)
        if (s.id == id)
            return &s;
    return nullptr;
}

TW_UINT16 fail(Program* program, TW_UINT16 conditionCode)
{
    if (program)
        program->conditionCode = conditionCode;
    lastConditionCode = conditionCode;
    return TWRC_FAILURE;
}

// Loads a source library and finds its entry; nullptr on failure.
void* loadSource(const std::string& path, DSENTRYPROC* entry)
{
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return nullptr;
    *entry = reinterpret_cast<DSENTRYPROC>(::dlsym(library, twain::kSourceEntryName));
    if (!*entry) {
        ::dlclose(library);
        return nullptr;
    }
    return library;
}

// Every source in the Windows directory's source folder, by path, with the
// identity each reports when asked without an origin.
std::vector<KnownSource> listSources()
{
    std::vector<std::string> paths;
    std::error_code ec;
    fs::path folder = platform::profile::windowsDirectory() / twain::kSourceFolderName;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == twain::kSourceSuffix)
            paths.push_back(it->path().string());
    }
    std::sort(paths.begin(), paths.end());

    std::vector<KnownSource> sources;
    for (const std::string& path : paths) {
        DSENTRYPROC entry = nullptr;
        void* library = loadSource(path, &entry);
        if (!library)
            continue;
        KnownSource known;
        known.path = path;
        if (entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &known.identity) == TWRC_SUCCESS) {
            known.identity.Id = 0;
            known.identity.ProductName[sizeof(TW_STR32) - 1] = '\0';
            sources.push_back(known);
        }
        ::dlclose(library);
    }
    return sources;
}

TW_UINT16 openManager(pTW_IDENTITY origin)
{
    if (origin->Id != 0 && findProgram(origin->Id))
        return fail(findProgram(origin->Id), TWCC_SEQERROR);
    Program program;
    program.id = assignId();
    origin->Id = program.id;
    programs.push_back(program);
    return TWRC_SUCCESS;
}

TW_UINT16 closeManager(Program* program)
{
    for (const OpenSource& s : openSources)
        if (s.programId == program->id)
            return fail(program, TWCC_SEQERROR);
    TW_UINT32 id = program->id;
    programs.erase(std::remove_if(programs.begin(), programs.end(),
                                  [id](const Program& p) { return p.id == id; }),
                   programs.end());
    return TWRC_SUCCESS;
}

TW_UINT16 openSource(Program* program, pTW_IDENTITY origin, pTW_IDENTITY wanted)
{
    if (program->sources.empty())
        program->sources = listSources();
    const KnownSource* chosen = nullptr;
    for (const KnownSource& s : program->sources) {
        if (wanted->ProductName[0] == '\0' ||
            std::strncmp(s.identity.ProductName, wanted->ProductName, sizeof(TW_STR32)) == 0) {
            chosen = &s;
            break;
        }
    }
    if (!chosen)
        return fail(program, TWCC_NODS);
    std::string path = chosen->path;
    TW_IDENTITY identity = chosen->identity;

    DSENTRYPROC entry = nullptr;
    void* library = loadSource(path, &entry);
    if (!library)
        return fail(program, TWCC_NODS);
    identity.Id = assignId();
    *wanted = identity;
    TW_UINT32 programId = program->id;
    TW_UINT16 rc = entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, wanted);
    if (rc != TWRC_SUCCESS) {
        TW_STATUS status{};
        entry(origin, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        ::dlclose(library);
        wanted->Id = 0;
        return fail(findProgram(programId), status.ConditionCode ? status.ConditionCode : TWCC_BUMMER);
    }
    OpenSource open;
    open.id = identity.Id;
    open.programId = programId;
    open.library = library;
    open.entry = entry;
    open.identity = *wanted;
    open.programIdentity = *origin;
    openSources.push_back(open);
    return TWRC_SUCCESS;
}

TW_UINT16 closeSource(Program* program, pTW_IDENTITY origin, pTW_IDENTITY source)
{
    OpenSource* open = findOpenSource(source->Id);
    if (!open || open->programId != program->id)
        return fail(program, TWCC_NODS);
    TW_UINT32 id = open->id;
    DSENTRYPROC entry = open->entry;
    TW_UINT16 rc = entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, source);
    if (rc != TWRC_SUCCESS)
        return rc;
    open = findOpenSource(id);
    if (open) {
        void* library = open->library;
        openSources.erase(openSources.begin() + (open - openSources.data()));
        ::dlclose(library);
    }
    return TWRC_SUCCESS;
}

TW_UINT16 managerIdentity(Program* program, pTW_IDENTITY origin, TW_UINT16 msg, pTW_IDENTITY data)
{
    switch (msg) {
    case MSG_GETFIRST:
        program->sources = listSources();
        program->nextListed = 0;
        [[fallthrough]];
    case MSG_GETNEXT:
        if (program->nextListed >= program->sources.size())
            return TWRC_ENDOFLIST;
        *data = program->sources[program->nextListed++].identity;
        return TWRC_SUCCESS;
    case MSG_GETDEFAULT:
        if (program->sources.empty())
            program->sources = listSources();
        if (program->sources.empty())
            return fail(program, TWCC_NODS);
        *data = program->sources.front().identity;
        return TWRC_SUCCESS;
    case MSG_OPENDS:
        return openSource(program, origin, data);
    case MSG_CLOSEDS:
        return closeSource(program, origin, data);
    default:
        return fail(program, TWCC_BADPROTOCOL);
    }
}

// A source's message for its program: through the program's callback when
// it registered one, else kept for the program's next MSG_PROCESSEVENT.
TW_UINT16 messageFromSource(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT16 msg)
{
    OpenSource* open = findOpenSource(origin->Id);
    if (!open || !dest || open->programId != dest->Id)
        return fail(nullptr, TWCC_BADDEST);
    if (msg != MSG_XFERREADY && msg != MSG_CLOSEDSREQ && msg != MSG_CLOSEDSOK)
        return fail(nullptr, TWCC_BADPROTOCOL);
    if (open->callback) {
        TW_IDENTITY sourceIdentity = open->identity;
        TW_IDENTITY programIdentity = open->programIdentity;
        open->callback(&sourceIdentity, &programIdentity, DG_CONTROL, DAT_NULL, msg, nullptr);
    } else {
        open->pendingMessages.push_back(msg);
    }
    return TWRC_SUCCESS;
}

TW_UINT16 processEvent(pTW_IDENTITY origin, TW_UINT32 sourceId, TW_UINT32 dg, TW_UINT16 dat,
                       TW_EVENT* event)
{
    OpenSource* open = findOpenSource(sourceId);
    DSENTRYPROC entry = open->entry;
    TW_UINT16 rc = entry(origin, dg, dat, MSG_PROCESSEVENT, event);
    open = findOpenSource(sourceId);
    if (open && !open->pendingMessages.empty() && (rc == TWRC_NOTDSEVENT || rc == TWRC_DSEVENT)) {
        event->TWMessage = open->pendingMessages.front();
        open->pendingMessages.pop_front();
        return TWRC_DSEVENT;
    }
    return rc;
}

}  // namespace

extern "C" TW_UINT16 DSM_Entry(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest, TW_UINT32 DG,
                               TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData)
{
    if (!pOrigin)
        return fail(nullptr, TWCC_BADVALUE);

    if (DG == DG_CONTROL && DAT == DAT_NULL)
        return messageFromSource(pOrigin, pDest, MSG);

    if (DG == DG_CONTROL && DAT == DAT_PARENT && MSG == MSG_OPENDSM)
        return openManager(pOrigin);

    Program* program = findProgram(pOrigin->Id);
    if (!program)
        return fail(nullptr, TWCC_SEQERROR);

    if (!pDest) {
        if (DG != DG_CONTROL)
            return fail(program, TWCC_BADPROTOCOL);
        if (DAT == DAT_PARENT && MSG == MSG_CLOSEDSM)
            return closeManager(program);
        if (DAT == DAT_STATUS && MSG == MSG_GET) {
            if (!pData)
                return fail(program, TWCC_BADVALUE);
            auto* status = static_cast<TW_STATUS*>(pData);
            status->ConditionCode = program->conditionCode;
            status->Reserved = 0;
            program->conditionCode = TWCC_SUCCESS;
            return TWRC_SUCCESS;
        }
        if (DAT == DAT_IDENTITY) {
            if (!pData)
                return fail(program, TWCC_BADVALUE);
            return managerIdentity(program, pOrigin, MSG, static_cast<pTW_IDENTITY>(pData));
        }
        return fail(program, TWCC_BADPROTOCOL);
    }

    OpenSource* open = findOpenSource(pDest->Id);
    if (!open || open->programId != program->id)
        return fail(program, TWCC_BADDEST);

    if (DG == DG_CONTROL && DAT == DAT_CALLBACK) {
        if (MSG != MSG_REGISTER_CALLBACK || !pData)
            return fail(program, MSG != MSG_REGISTER_CALLBACK ? TWCC_BADPROTOCOL : TWCC_BADVALUE);
        open->callback = reinterpret_cast<TWAINCALLBACKPROC>(static_cast<TW_CALLBACK*>(pData)->CallBackProc);
        return TWRC_SUCCESS;
    }
    if (MSG == MSG_PROCESSEVENT) {
        if (!pData)
            return fail(program, TWCC_BADVALUE);
        return processEvent(pOrigin, pDest->Id, DG, DAT, static_cast<TW_EVENT*>(pData));
    }
    DSENTRYPROC entry = open->entry;
    return entry(pOrigin, DG, DAT, MSG, pData);
}
