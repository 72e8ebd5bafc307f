// The functions the ODBC driver manager loads from the driver, by name. Each one finds its handle,
// starts the handle's diagnostics afresh and hands the work to the handle's class; the diagnostic
// functions only read. Nothing here calls another exported function: inside the program the
// same names belong to the driver manager.

#include "DriverConnection.h"
#include "DriverEnvironment.h"
#include "DriverInfo.h"
#include "DriverStatement.h"
#include "OdbcText.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <limits>
#include <utility>

namespace {

// Runs `method` on the live handle of type T behind `handle`, with fresh diagnostics.
template <typename T, typename... Params, typename... Args>
SQLRETURN call(SQLHANDLE handle, SQLRETURN (T::*method)(Params...), Args&&... args)
{
    T* object = OdbcHandle::find<T>(handle);
    if (!object)
        return SQL_INVALID_HANDLE;
    object->diagnostics().clear();
    return object->diagnostics().finish((object->*method)(std::forward<Args>(args)...));
}

SQLRETURN allocate(SQLSMALLINT handleType, SQLHANDLE input, SQLHANDLE* output)
{
    if (!output)
        return SQL_ERROR;
    if (handleType == SQL_HANDLE_ENV) {
        *output = static_cast<OdbcHandle*>(new DriverEnvironment);
        return SQL_SUCCESS;
    }
    if (handleType == SQL_HANDLE_DBC) {
        if (!OdbcHandle::find<DriverEnvironment>(input))
            return SQL_INVALID_HANDLE;
        *output = static_cast<OdbcHandle*>(new DriverConnection);
        return SQL_SUCCESS;
    }
    // A statement, or a descriptor, which the driver does not offer: the input is a connection.
    return call(input, &DriverConnection::newStatement, handleType, output);
}

SQLRETURN release(SQLSMALLINT handleType, SQLHANDLE handle)
{
    OdbcHandle* object = OdbcHandle::find(handle, handleType);
    if (!object)
        return SQL_INVALID_HANDLE;
    if (auto* connection = OdbcHandle::find<DriverConnection>(handle); connection && connection->server()) {
        connection->diagnostics().clear();
        connection->diagnostics().addStandard("HY010"); // still connected
        return connection->diagnostics().finish(SQL_ERROR);
    }
    delete object;
    return SQL_SUCCESS;
}

template <typename Char>
SQLRETURN diagRec(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT number, Char* state,
    SQLINTEGER* native, Char* message, SQLSMALLINT capacity, SQLSMALLINT* length)
{
    constexpr bool wide = sizeof(Char) == sizeof(SQLWCHAR);
    OdbcHandle* owner = OdbcHandle::find(handle, handleType);
    if (!owner)
        return SQL_INVALID_HANDLE;
    if (number < 1 || capacity < 0)
        return SQL_ERROR;
    const DiagnosticRecord* record = owner->diagnostics().record(number);
    if (!record)
        return SQL_NO_DATA;
    if (state)
        OdbcText::toBuffer(record->sqlState, wide, state, SQL_SQLSTATE_SIZE + 1);
    if (native)
        *native = record->nativeCode;
    const OdbcText::Copied copied = OdbcText::toBuffer(record->text, wide, message, capacity);
    if (length)
        *length = static_cast<SQLSMALLINT>(
            qMin<qsizetype>(copied.length, std::numeric_limits<SQLSMALLINT>::max()));
    return copied.truncated ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

// The fields the driver manager and applications read; the optional ones (origins, row and
// column numbers, the dynamic function) are not kept, and asking for them is an error.
SQLRETURN diagField(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT number, SQLSMALLINT field,
    SQLPOINTER info, SQLSMALLINT bufferLength, SQLSMALLINT* length, bool wide)
{
    OdbcHandle* owner = OdbcHandle::find(handle, handleType);
    if (!owner)
        return SQL_INVALID_HANDLE;
    const DiagnosticList& list = owner->diagnostics();
    if (field == SQL_DIAG_NUMBER || field == SQL_DIAG_RETURNCODE) {
        if (field == SQL_DIAG_NUMBER && info)
            *static_cast<SQLINTEGER*>(info) = static_cast<SQLINTEGER>(list.count());
        else if (info)
            *static_cast<SQLRETURN*>(info) = list.returnCode();
        return SQL_SUCCESS;
    }
    if (number < 1
        || (field != SQL_DIAG_NATIVE && field != SQL_DIAG_SQLSTATE && field != SQL_DIAG_MESSAGE_TEXT))
        return SQL_ERROR;
    const DiagnosticRecord* record = list.record(number);
    if (!record)
        return SQL_NO_DATA;
    if (field == SQL_DIAG_NATIVE) {
        if (info)
            *static_cast<SQLINTEGER*>(info) = record->nativeCode;
        return SQL_SUCCESS;
    }
    if (bufferLength < 0)
        return SQL_ERROR;
    // Measured in bytes, also by the wide call.
    const qsizetype unit = wide ? qsizetype(sizeof(SQLWCHAR)) : 1;
    const OdbcText::Copied copied = OdbcText::toBuffer(
        field == SQL_DIAG_SQLSTATE ? record->sqlState : record->text, wide, info, bufferLength / unit);
    if (length)
        *length = static_cast<SQLSMALLINT>(copied.length * unit);
    return copied.truncated ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

} // namespace

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT HandleType, SQLHANDLE InputHandle, SQLHANDLE* OutputHandle)
{
    return allocate(HandleType, InputHandle, OutputHandle);
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT HandleType, SQLHANDLE Handle)
{
    return release(HandleType, Handle);
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER)
{
    return call(EnvironmentHandle, &DriverEnvironment::setAttribute, Attribute, Value);
}

SQLRETURN SQL_API SQLGetEnvAttr(
    SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER, SQLINTEGER* StringLength)
{
    return call(EnvironmentHandle, &DriverEnvironment::getAttribute, Attribute, Value, StringLength);
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC hdbc, SQLHWND, SQLCHAR* szConnStrIn, SQLSMALLINT cbConnStrIn,
    SQLCHAR* szConnStrOut, SQLSMALLINT cbConnStrOutMax, SQLSMALLINT* pcbConnStrOut, SQLUSMALLINT)
{
    return call(hdbc, &DriverConnection::connect, OdbcText::in(szConnStrIn, cbConnStrIn), szConnStrOut,
        cbConnStrOutMax, pcbConnStrOut, false);
}

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC hdbc, SQLHWND, SQLWCHAR* szConnStrIn, SQLSMALLINT cbConnStrIn,
    SQLWCHAR* szConnStrOut, SQLSMALLINT cbConnStrOutMax, SQLSMALLINT* pcbConnStrOut, SQLUSMALLINT)
{
    return call(hdbc, &DriverConnection::connect, OdbcText::in(szConnStrIn, cbConnStrIn), szConnStrOut,
        cbConnStrOutMax, pcbConnStrOut, true);
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC ConnectionHandle)
{
    return call(ConnectionHandle, &DriverConnection::disconnect);
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC ConnectionHandle, SQLUSMALLINT InfoType, SQLPOINTER InfoValue,
    SQLSMALLINT BufferLength, SQLSMALLINT* StringLength)
{
    return call(
        ConnectionHandle, &DriverConnection::info, InfoType, InfoValue, BufferLength, StringLength, false);
}

SQLRETURN SQL_API SQLGetInfoW(SQLHDBC hdbc, SQLUSMALLINT fInfoType, SQLPOINTER rgbInfoValue,
    SQLSMALLINT cbInfoValueMax, SQLSMALLINT* pcbInfoValue)
{
    return call(hdbc, &DriverConnection::info, fInfoType, rgbInfoValue, cbInfoValueMax, pcbInfoValue, true);
}

SQLRETURN SQL_API SQLGetFunctions(SQLHDBC ConnectionHandle, SQLUSMALLINT FunctionId, SQLUSMALLINT* Supported)
{
    return call(ConnectionHandle, &DriverConnection::functions, FunctionId, Supported);
}

SQLRETURN SQL_API SQLSetConnectAttr(
    SQLHDBC ConnectionHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER)
{
    return call(ConnectionHandle, &DriverConnection::setAttribute, Attribute, Value);
}

SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC hdbc, SQLINTEGER fAttribute, SQLPOINTER rgbValue, SQLINTEGER)
{
    return call(hdbc, &DriverConnection::setAttribute, fAttribute, rgbValue);
}

SQLRETURN SQL_API SQLGetConnectAttr(
    SQLHDBC ConnectionHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER, SQLINTEGER* StringLength)
{
    return call(ConnectionHandle, &DriverConnection::getAttribute, Attribute, Value, StringLength);
}

SQLRETURN SQL_API SQLGetConnectAttrW(
    SQLHDBC hdbc, SQLINTEGER fAttribute, SQLPOINTER rgbValue, SQLINTEGER, SQLINTEGER* pcbValue)
{
    return call(hdbc, &DriverConnection::getAttribute, fAttribute, rgbValue, pcbValue);
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT)
{
    // Every statement the server runs is DDL, which commits on its own: nothing is ever pending.
    return OdbcHandle::find(Handle, HandleType) && HandleType != SQL_HANDLE_STMT ? SQL_SUCCESS
                                                                                 : SQL_INVALID_HANDLE;
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT StatementHandle, SQLCHAR* StatementText, SQLINTEGER TextLength)
{
    return call(StatementHandle, &DriverStatement::execDirect, OdbcText::in(StatementText, TextLength));
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT hstmt, SQLWCHAR* szSqlStr, SQLINTEGER cbSqlStr)
{
    return call(hstmt, &DriverStatement::execDirect, OdbcText::in(szSqlStr, cbSqlStr));
}

SQLRETURN SQL_API SQLPrepare(SQLHSTMT StatementHandle, SQLCHAR* StatementText, SQLINTEGER TextLength)
{
    return call(StatementHandle, &DriverStatement::prepare, OdbcText::in(StatementText, TextLength));
}

SQLRETURN SQL_API SQLPrepareW(SQLHSTMT hstmt, SQLWCHAR* szSqlStr, SQLINTEGER cbSqlStr)
{
    return call(hstmt, &DriverStatement::prepare, OdbcText::in(szSqlStr, cbSqlStr));
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT StatementHandle)
{
    return call(StatementHandle, &DriverStatement::execute);
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT StatementHandle, SQLSMALLINT* ColumnCount)
{
    return call(StatementHandle, &DriverStatement::resultColumns, ColumnCount);
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLCHAR* ColumnName,
    SQLSMALLINT BufferLength, SQLSMALLINT* NameLength, SQLSMALLINT* DataType, SQLULEN* ColumnSize,
    SQLSMALLINT* DecimalDigits, SQLSMALLINT* Nullable)
{
    return call(StatementHandle, &DriverStatement::describeColumn, ColumnNumber, ColumnName, BufferLength,
        NameLength, DataType, ColumnSize, DecimalDigits, Nullable, false);
}

SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLWCHAR* szColName,
    SQLSMALLINT cbColNameMax, SQLSMALLINT* pcbColName, SQLSMALLINT* pfSqlType, SQLULEN* pcbColDef,
    SQLSMALLINT* pibScale, SQLSMALLINT* pfNullable)
{
    return call(hstmt, &DriverStatement::describeColumn, icol, szColName, cbColNameMax, pcbColName, pfSqlType,
        pcbColDef, pibScale, pfNullable, true);
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
    SQLUSMALLINT FieldIdentifier, SQLPOINTER CharacterAttribute, SQLSMALLINT BufferLength,
    SQLSMALLINT* StringLength, SQLLEN* NumericAttribute)
{
    return call(StatementHandle, &DriverStatement::columnAttribute, ColumnNumber, FieldIdentifier,
        CharacterAttribute, BufferLength, StringLength, NumericAttribute, false);
}

SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT hstmt, SQLUSMALLINT iCol, SQLUSMALLINT iField,
    SQLPOINTER pCharAttr, SQLSMALLINT cbCharAttrMax, SQLSMALLINT* pcbCharAttr, SQLLEN* pNumAttr)
{
    return call(hstmt, &DriverStatement::columnAttribute, iCol, iField, pCharAttr, cbCharAttrMax, pcbCharAttr,
        pNumAttr, true);
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT StatementHandle)
{
    return call(StatementHandle, &DriverStatement::fetch, SQLSMALLINT(SQL_FETCH_NEXT));
}

SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT StatementHandle, SQLSMALLINT FetchOrientation, SQLLEN)
{
    return call(StatementHandle, &DriverStatement::fetch, FetchOrientation);
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLSMALLINT TargetType,
    SQLPOINTER TargetValue, SQLLEN BufferLength, SQLLEN* StrLen_or_Ind)
{
    return call(StatementHandle, &DriverStatement::getData, ColumnNumber, TargetType, TargetValue,
        BufferLength, StrLen_or_Ind);
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT StatementHandle, SQLLEN* RowCount)
{
    return call(StatementHandle, &DriverStatement::rowCount, RowCount);
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER)
{
    return call(StatementHandle, &DriverStatement::setAttribute, Attribute, Value);
}

SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT hstmt, SQLINTEGER fAttribute, SQLPOINTER rgbValue, SQLINTEGER)
{
    return call(hstmt, &DriverStatement::setAttribute, fAttribute, rgbValue);
}

SQLRETURN SQL_API SQLGetStmtAttr(
    SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER, SQLINTEGER* StringLength)
{
    return call(StatementHandle, &DriverStatement::getAttribute, Attribute, Value, StringLength);
}

SQLRETURN SQL_API SQLGetStmtAttrW(
    SQLHSTMT hstmt, SQLINTEGER fAttribute, SQLPOINTER rgbValue, SQLINTEGER, SQLINTEGER* pcbValue)
{
    return call(hstmt, &DriverStatement::getAttribute, fAttribute, rgbValue, pcbValue);
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT StatementHandle, SQLUSMALLINT Option)
{
    if (Option == SQL_DROP)
        return release(SQL_HANDLE_STMT, StatementHandle);
    return call(StatementHandle, &DriverStatement::free, Option);
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT StatementHandle)
{
    return call(StatementHandle, &DriverStatement::closeCursor, true);
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT hstmt)
{
    return call(hstmt, &DriverStatement::moreResults);
}

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber,
    SQLCHAR* Sqlstate, SQLINTEGER* NativeError, SQLCHAR* MessageText, SQLSMALLINT BufferLength,
    SQLSMALLINT* TextLength)
{
    return diagRec(
        HandleType, Handle, RecNumber, Sqlstate, NativeError, MessageText, BufferLength, TextLength);
}

SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT fHandleType, SQLHANDLE handle, SQLSMALLINT iRecord,
    SQLWCHAR* szSqlState, SQLINTEGER* pfNativeError, SQLWCHAR* szErrorMsg, SQLSMALLINT cbErrorMsgMax,
    SQLSMALLINT* pcbErrorMsg)
{
    return diagRec(
        fHandleType, handle, iRecord, szSqlState, pfNativeError, szErrorMsg, cbErrorMsgMax, pcbErrorMsg);
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT RecNumber,
    SQLSMALLINT DiagIdentifier, SQLPOINTER DiagInfo, SQLSMALLINT BufferLength, SQLSMALLINT* StringLength)
{
    return diagField(
        HandleType, Handle, RecNumber, DiagIdentifier, DiagInfo, BufferLength, StringLength, false);
}

SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT fHandleType, SQLHANDLE handle, SQLSMALLINT iRecord,
    SQLSMALLINT fDiagField, SQLPOINTER rgbDiagInfo, SQLSMALLINT cbDiagInfoMax, SQLSMALLINT* pcbDiagInfo)
{
    return diagField(fHandleType, handle, iRecord, fDiagField, rgbDiagInfo, cbDiagInfoMax, pcbDiagInfo, true);
}

// Qt's ODBC driver refuses a driver without the catalogue functions; they are here to say that
// they are not supported.
SQLRETURN SQL_API SQLColumns(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
    SQLSMALLINT, SQLCHAR*, SQLSMALLINT)
{
    return call(StatementHandle, &DriverStatement::notSupported);
}

SQLRETURN SQL_API SQLColumnsW(SQLHSTMT hstmt, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
    SQLSMALLINT, SQLWCHAR*, SQLSMALLINT)
{
    return call(hstmt, &DriverStatement::notSupported);
}

SQLRETURN SQL_API SQLTables(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
    SQLSMALLINT, SQLCHAR*, SQLSMALLINT)
{
    return call(StatementHandle, &DriverStatement::notSupported);
}

SQLRETURN SQL_API SQLTablesW(SQLHSTMT hstmt, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
    SQLSMALLINT, SQLWCHAR*, SQLSMALLINT)
{
    return call(hstmt, &DriverStatement::notSupported);
}

} // extern "C"
