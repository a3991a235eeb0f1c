// Status codes of the compound-file engine. The values are those of the structured-storage
// platform the rest of the system is written against, so callers can compare them directly.
#pragma once

#include <cstdint>

using HRESULT = int32_t;
using ULONG = uint32_t;
using DWORD = uint32_t;

constexpr HRESULT cfb_status(uint32_t value) {
    return static_cast<HRESULT>(value);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;

constexpr HRESULT E_NOTIMPL = cfb_status(0x80004001u);
constexpr HRESULT E_NOINTERFACE = cfb_status(0x80004002u);
constexpr HRESULT E_POINTER = cfb_status(0x80004003u);
constexpr HRESULT E_FAIL = cfb_status(0x80004005u);
constexpr HRESULT E_UNEXPECTED = cfb_status(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = cfb_status(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = cfb_status(0x80070057u);

constexpr HRESULT STG_E_INVALIDFUNCTION = cfb_status(0x80030001u);
constexpr HRESULT STG_E_FILENOTFOUND = cfb_status(0x80030002u);
constexpr HRESULT STG_E_PATHNOTFOUND = cfb_status(0x80030003u);
constexpr HRESULT STG_E_TOOMANYOPENFILES = cfb_status(0x80030004u);
constexpr HRESULT STG_E_ACCESSDENIED = cfb_status(0x80030005u);
constexpr HRESULT STG_E_INVALIDHANDLE = cfb_status(0x80030006u);
constexpr HRESULT STG_E_INSUFFICIENTMEMORY = cfb_status(0x80030008u);
constexpr HRESULT STG_E_INVALIDPOINTER = cfb_status(0x80030009u);
constexpr HRESULT STG_E_NOMOREFILES = cfb_status(0x80030012u);
constexpr HRESULT STG_E_DISKISWRITEPROTECTED = cfb_status(0x80030013u);
constexpr HRESULT STG_E_SEEKERROR = cfb_status(0x80030019u);
constexpr HRESULT STG_E_WRITEFAULT = cfb_status(0x8003001Du);
constexpr HRESULT STG_E_READFAULT = cfb_status(0x8003001Eu);
constexpr HRESULT STG_E_SHAREVIOLATION = cfb_status(0x80030020u);
constexpr HRESULT STG_E_LOCKVIOLATION = cfb_status(0x80030021u);
constexpr HRESULT STG_E_FILEALREADYEXISTS = cfb_status(0x80030050u);
constexpr HRESULT STG_E_INVALIDPARAMETER = cfb_status(0x80030057u);
constexpr HRESULT STG_E_MEDIUMFULL = cfb_status(0x80030070u);
constexpr HRESULT STG_E_ABNORMALAPIEXIT = cfb_status(0x800300FAu);
constexpr HRESULT STG_E_INVALIDHEADER = cfb_status(0x800300FBu);
constexpr HRESULT STG_E_INVALIDNAME = cfb_status(0x800300FCu);
constexpr HRESULT STG_E_UNKNOWN = cfb_status(0x800300FDu);
constexpr HRESULT STG_E_UNIMPLEMENTEDFUNCTION = cfb_status(0x800300FEu);
constexpr HRESULT STG_E_INVALIDFLAG = cfb_status(0x800300FFu);
constexpr HRESULT STG_E_INUSE = cfb_status(0x80030100u);
constexpr HRESULT STG_E_NOTCURRENT = cfb_status(0x80030101u);
constexpr HRESULT STG_E_REVERTED = cfb_status(0x80030102u);
constexpr HRESULT STG_E_CANTSAVE = cfb_status(0x80030103u);
constexpr HRESULT STG_E_OLDFORMAT = cfb_status(0x80030104u);
constexpr HRESULT STG_E_NOTFILEBASEDSTORAGE = cfb_status(0x80030107u);
constexpr HRESULT STG_E_DOCFILECORRUPT = cfb_status(0x80030109u);
constexpr HRESULT STG_E_DOCFILETOOLARGE = cfb_status(0x80030111u);

constexpr bool SUCCEEDED(HRESULT status) {
    return status >= 0;
}
constexpr bool FAILED(HRESULT status) {
    return status < 0;
}
