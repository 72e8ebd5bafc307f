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

namespace {

template <typename T> T* live(SQLHANDLE handle);

template <> DriverEnvironment* live<DriverEnvironment>(SQLHANDLE handle)
{
    return static_cast<DriverEnvironment*>(OdbcHandle::find(handle, OdbcHandle::Kind::Environment));
}

template <> DriverConnection* live<DriverConnection>(SQLHANDLE handle)
{
    return static_cast<DriverConnection*>(OdbcHandle::find(handle, OdbcHandle::Kind::Connection));
}

template <> DriverStatement* live<DriverStatement>(SQLHANDLE handle)
{
    return static_cast<DriverStatement*>(OdbcHandle::find(handle, OdbcHandle::Kind::Statement));
}

// Runs `work` on the live handle of type T behind `handle`, with fresh diagnostics.
template <typename T, typename Work> SQLRETURN call(SQLHANDLE handle, Work&& work)
{
    T* object = live<T>(handle);
    if (!object)
        return SQL_INVALID_HANDLE;
    object->diagnostics().clear();
    return object->diagnostics().finish(work(*object));
}

SQLHANDLE asHandle(OdbcHandle* handle)
{
    return static_cast<SQLHANDLE>(handle);
}

OdbcHandle* anyHandle(SQLSMALLINT handleType, SQLHANDLE handle)
{
    OdbcHandle::Kind kind;
    if (!OdbcHandle::kindOf(handleType, &kind))
        return nullptr;
    return OdbcHandle::find(handle, kind);
}

SQLRETURN allocate(SQLSMALLINT handleType, SQLHANDLE input, SQLHANDLE* output)
{
    switch (handleType) {
    case SQL_HANDLE_ENV:
        if (!output)
            return SQL_ERROR;
        *output = asHandle(new DriverEnvironment);
        return SQL_SUCCESS;
    case SQL_HANDLE_DBC:
        return call<DriverEnvironment>(input, [output](DriverEnvironment& environment) {
            if (!output) {
                environment.diagnostics().addStandard("HY009");
                return SQL_ERROR;
            }
            *output = asHandle(new DriverConnection);
            return SQL_SUCCESS;
        });
    case SQL_HANDLE_STMT:
        return call<DriverConnection>(input, [output](DriverConnection& connection) {
            if (!output) {
                connection.diagnostics().addStandard("HY009");
                return SQL_ERROR;
            }
            if (!connection.server()) {
                connection.diagnostics().addStandard("08003");
                return SQL_ERROR;
            }
            *output = asHandle(new DriverStatement(connection));
            return SQL_SUCCESS;
        });
    default:
        // Descriptors are not offered; the input handle is a connection then.
        return call<DriverConnection>(input, [](DriverConnection& connection) {
            connection.diagnostics().addStandard("HYC00");
            return SQL_ERROR;
        });
    }
}

SQLRETURN release(SQLSMALLINT handleType, SQLHANDLE handle)
{
    switch (handleType) {
    case SQL_HANDLE_ENV:
        if (DriverEnvironment* environment = live<DriverEnvironment>(handle)) {
            delete environment;
            return SQL_SUCCESS;
        }
        return SQL_INVALID_HANDLE;
    case SQL_HANDLE_DBC:
        if (DriverConnection* connection = live<DriverConnection>(handle)) {
            if (connection->server()) {
                connection->diagnostics().clear();
                connection->diagnostics().addStandard("HY010");
                return connection->diagnostics().finish(SQL_ERROR);
            }
            delete connection;
            return SQL_SUCCESS;
        }
        return SQL_INVALID_HANDLE;
    case SQL_HANDLE_STMT:
        if (DriverStatement* statement = live<DriverStatement>(handle)) {
            delete statement;
            return SQL_SUCCESS;
        }
        return SQL_INVALID_HANDLE;
    default:
        return SQL_INVALID_HANDLE;
    }
}

QString text(const SQLCHAR* narrow, SQLINTEGER length)
{
    return OdbcText::fromNarrow(narrow, length);
}

QString text(const SQLWCHAR* wide, SQLINTEGER length)
{
    return OdbcText::fromWide(wide, length);
}

template <typename Char>
SQLRETURN driverConnect(SQLHDBC handle, Char* in, SQLSMALLINT inLength, Char* out, SQLSMALLINT outCapacity,
    SQLSMALLINT* outLength)
{
    constexpr bool wide = sizeof(Char) == sizeof(SQLWCHAR);
    return call<DriverConnection>(handle, [&](DriverConnection& connection) {
        const QString connectionString = text(in, inLength);
        SQLRETURN r = connection.connect(connectionString);
        if (!SQL_SUCCEEDED(r))
            return r;
        // Nothing is completed: the string that connected is the one given back.
        const OdbcText::Copied copied = OdbcText::toBuffer(connectionString, wide, out, outCapacity);
        if (outLength)
            *outLength = static_cast<SQLSMALLINT>(copied.length);
        if (copied.truncated) {
            connection.diagnostics().addStandard("01004");
            r = SQL_SUCCESS_WITH_INFO;
        }
        return r;
    });
}

template <typename Char>
SQLRETURN diagRec(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT number, Char* state,
    SQLINTEGER* native, Char* message, SQLSMALLINT capacity, SQLSMALLINT* length)
{
    constexpr bool wide = sizeof(Char) == sizeof(SQLWCHAR);
    OdbcHandle* owner = anyHandle(handleType, handle);
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

template <typename T> SQLRETURN put(SQLPOINTER info, T value)
{
    if (info)
        *static_cast<T*>(info) = value;
    return SQL_SUCCESS;
}

// The fields the driver manager and applications read; the optional ones (origins, row and
// column numbers, the dynamic function) are not kept, and asking for them is an error.
SQLRETURN diagField(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT number, SQLSMALLINT field,
    SQLPOINTER info, SQLSMALLINT bufferLength, SQLSMALLINT* length, bool wide)
{
    OdbcHandle* owner = anyHandle(handleType, handle);
    if (!owner)
        return SQL_INVALID_HANDLE;
    const DiagnosticList& list = owner->diagnostics();
    if (field == SQL_DIAG_NUMBER)
        return put<SQLINTEGER>(info, static_cast<SQLINTEGER>(list.count()));
    if (field == SQL_DIAG_RETURNCODE)
        return put<SQLRETURN>(info, list.returnCode());
    if (number < 1 || bufferLength < 0)
        return SQL_ERROR;
    const DiagnosticRecord* record = list.record(number);
    if (!record)
        return SQL_NO_DATA;
    QString text;
    switch (field) {
    case SQL_DIAG_NATIVE:
        return put<SQLINTEGER>(info, record->nativeCode);
    case SQL_DIAG_SQLSTATE:
        text = record->sqlState;
        break;
    case SQL_DIAG_MESSAGE_TEXT:
        text = record->text;
        break;
    default:
        return SQL_ERROR;
    }
    // Measured in bytes, also by the wide call.
    const qsizetype unit = wide ? qsizetype(sizeof(SQLWCHAR)) : 1;
    const OdbcText::Copied copied = OdbcText::toBuffer(text, wide, info, bufferLength / unit);
    if (length)
        *length = static_cast<SQLSMALLINT>(copied.length * unit);
    return copied.truncated ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN notSupported(SQLHSTMT handle)
{
    return call<DriverStatement>(handle, [](DriverStatement& statement) { return statement.notSupported(); });
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

SQLRETURN SQL_API SQLSetEnvAttr(
    SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER /*StringLength*/)
{
    return call<DriverEnvironment>(EnvironmentHandle,
        [&](DriverEnvironment& environment) { return environment.setAttribute(Attribute, Value); });
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute, SQLPOINTER Value,
    SQLINTEGER /*BufferLength*/, SQLINTEGER* StringLength)
{
    return call<DriverEnvironment>(EnvironmentHandle, [&](DriverEnvironment& environment) {
        if (StringLength)
            *StringLength = sizeof(SQLINTEGER);
        return environment.getAttribute(Attribute, Value);
    });
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC hdbc, SQLHWND /*hwnd*/, SQLCHAR* szConnStrIn,
    SQLSMALLINT cbConnStrIn, SQLCHAR* szConnStrOut, SQLSMALLINT cbConnStrOutMax, SQLSMALLINT* pcbConnStrOut,
    SQLUSMALLINT /*fDriverCompletion*/)
{
    return driverConnect(hdbc, szConnStrIn, cbConnStrIn, szConnStrOut, cbConnStrOutMax, pcbConnStrOut);
}

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC hdbc, SQLHWND /*hwnd*/, SQLWCHAR* szConnStrIn,
    SQLSMALLINT cbConnStrIn, SQLWCHAR* szConnStrOut, SQLSMALLINT cbConnStrOutMax, SQLSMALLINT* pcbConnStrOut,
    SQLUSMALLINT /*fDriverCompletion*/)
{
    return driverConnect(hdbc, szConnStrIn, cbConnStrIn, szConnStrOut, cbConnStrOutMax, pcbConnStrOut);
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC ConnectionHandle)
{
    return call<DriverConnection>(
        ConnectionHandle, [](DriverConnection& connection) { return connection.disconnect(); });
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC ConnectionHandle, SQLUSMALLINT InfoType, SQLPOINTER InfoValue,
    SQLSMALLINT BufferLength, SQLSMALLINT* StringLength)
{
    return call<DriverConnection>(ConnectionHandle, [&](DriverConnection& connection) {
        return connection.info(InfoType, InfoValue, BufferLength, StringLength, false);
    });
}

SQLRETURN SQL_API SQLGetInfoW(SQLHDBC hdbc, SQLUSMALLINT fInfoType, SQLPOINTER rgbInfoValue,
    SQLSMALLINT cbInfoValueMax, SQLSMALLINT* pcbInfoValue)
{
    return call<DriverConnection>(hdbc, [&](DriverConnection& connection) {
        return connection.info(fInfoType, rgbInfoValue, cbInfoValueMax, pcbInfoValue, true);
    });
}

SQLRETURN SQL_API SQLGetFunctions(SQLHDBC ConnectionHandle, SQLUSMALLINT FunctionId, SQLUSMALLINT* Supported)
{
    return call<DriverConnection>(ConnectionHandle, [&](DriverConnection& connection) {
        if (!Supported) {
            connection.diagnostics().addStandard("HY009");
            return SQL_ERROR;
        }
        DriverInfo::functions(FunctionId, Supported);
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLSetConnectAttr(
    SQLHDBC ConnectionHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER /*StringLength*/)
{
    return call<DriverConnection>(ConnectionHandle,
        [&](DriverConnection& connection) { return connection.setAttribute(Attribute, Value); });
}

SQLRETURN SQL_API SQLSetConnectAttrW(
    SQLHDBC hdbc, SQLINTEGER fAttribute, SQLPOINTER rgbValue, SQLINTEGER /*cbValue*/)
{
    return call<DriverConnection>(
        hdbc, [&](DriverConnection& connection) { return connection.setAttribute(fAttribute, rgbValue); });
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute, SQLPOINTER Value,
    SQLINTEGER /*BufferLength*/, SQLINTEGER* StringLength)
{
    return call<DriverConnection>(ConnectionHandle, [&](DriverConnection& connection) {
        if (StringLength)
            *StringLength = sizeof(SQLUINTEGER);
        return connection.getAttribute(Attribute, Value);
    });
}

SQLRETURN SQL_API SQLGetConnectAttrW(
    SQLHDBC hdbc, SQLINTEGER fAttribute, SQLPOINTER rgbValue, SQLINTEGER /*cbValueMax*/, SQLINTEGER* pcbValue)
{
    return call<DriverConnection>(hdbc, [&](DriverConnection& connection) {
        if (pcbValue)
            *pcbValue = sizeof(SQLUINTEGER);
        return connection.getAttribute(fAttribute, rgbValue);
    });
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT StatementHandle, SQLCHAR* StatementText, SQLINTEGER TextLength)
{
    return call<DriverStatement>(StatementHandle,
        [&](DriverStatement& statement) { return statement.execDirect(text(StatementText, TextLength)); });
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT hstmt, SQLWCHAR* szSqlStr, SQLINTEGER cbSqlStr)
{
    return call<DriverStatement>(
        hstmt, [&](DriverStatement& statement) { return statement.execDirect(text(szSqlStr, cbSqlStr)); });
}

SQLRETURN SQL_API SQLPrepare(SQLHSTMT StatementHandle, SQLCHAR* StatementText, SQLINTEGER TextLength)
{
    return call<DriverStatement>(StatementHandle,
        [&](DriverStatement& statement) { return statement.prepare(text(StatementText, TextLength)); });
}

SQLRETURN SQL_API SQLPrepareW(SQLHSTMT hstmt, SQLWCHAR* szSqlStr, SQLINTEGER cbSqlStr)
{
    return call<DriverStatement>(
        hstmt, [&](DriverStatement& statement) { return statement.prepare(text(szSqlStr, cbSqlStr)); });
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT StatementHandle)
{
    return call<DriverStatement>(
        StatementHandle, [](DriverStatement& statement) { return statement.execute(); });
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT StatementHandle, SQLSMALLINT* ColumnCount)
{
    return call<DriverStatement>(
        StatementHandle, [&](DriverStatement& statement) { return statement.resultColumns(ColumnCount); });
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLCHAR* ColumnName,
    SQLSMALLINT BufferLength, SQLSMALLINT* NameLength, SQLSMALLINT* DataType, SQLULEN* ColumnSize,
    SQLSMALLINT* DecimalDigits, SQLSMALLINT* Nullable)
{
    return call<DriverStatement>(StatementHandle, [&](DriverStatement& statement) {
        return statement.describeColumn(ColumnNumber, ColumnName, BufferLength, NameLength, DataType,
            ColumnSize, DecimalDigits, Nullable, false);
    });
}

SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLWCHAR* szColName,
    SQLSMALLINT cbColNameMax, SQLSMALLINT* pcbColName, SQLSMALLINT* pfSqlType, SQLULEN* pcbColDef,
    SQLSMALLINT* pibScale, SQLSMALLINT* pfNullable)
{
    return call<DriverStatement>(hstmt, [&](DriverStatement& statement) {
        return statement.describeColumn(
            icol, szColName, cbColNameMax, pcbColName, pfSqlType, pcbColDef, pibScale, pfNullable, true);
    });
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
    SQLUSMALLINT FieldIdentifier, SQLPOINTER CharacterAttribute, SQLSMALLINT BufferLength,
    SQLSMALLINT* StringLength, SQLLEN* NumericAttribute)
{
    return call<DriverStatement>(StatementHandle, [&](DriverStatement& statement) {
        return statement.columnAttribute(ColumnNumber, FieldIdentifier, CharacterAttribute, BufferLength,
            StringLength, NumericAttribute, false);
    });
}

SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT hstmt, SQLUSMALLINT iCol, SQLUSMALLINT iField,
    SQLPOINTER pCharAttr, SQLSMALLINT cbCharAttrMax, SQLSMALLINT* pcbCharAttr, SQLLEN* pNumAttr)
{
    return call<DriverStatement>(hstmt, [&](DriverStatement& statement) {
        return statement.columnAttribute(iCol, iField, pCharAttr, cbCharAttrMax, pcbCharAttr, pNumAttr, true);
    });
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT StatementHandle)
{
    return call<DriverStatement>(
        StatementHandle, [](DriverStatement& statement) { return statement.fetch(SQL_FETCH_NEXT); });
}

SQLRETURN SQL_API SQLFetchScroll(
    SQLHSTMT StatementHandle, SQLSMALLINT FetchOrientation, SQLLEN /*FetchOffset*/)
{
    return call<DriverStatement>(
        StatementHandle, [&](DriverStatement& statement) { return statement.fetch(FetchOrientation); });
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLSMALLINT TargetType,
    SQLPOINTER TargetValue, SQLLEN BufferLength, SQLLEN* StrLen_or_Ind)
{
    return call<DriverStatement>(StatementHandle, [&](DriverStatement& statement) {
        return statement.getData(ColumnNumber, TargetType, TargetValue, BufferLength, StrLen_or_Ind);
    });
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT StatementHandle, SQLLEN* RowCount)
{
    return call<DriverStatement>(
        StatementHandle, [&](DriverStatement& statement) { return statement.rowCount(RowCount); });
}

SQLRETURN SQL_API SQLSetStmtAttr(
    SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value, SQLINTEGER /*StringLength*/)
{
    return call<DriverStatement>(StatementHandle,
        [&](DriverStatement& statement) { return statement.setAttribute(Attribute, Value); });
}

SQLRETURN SQL_API SQLSetStmtAttrW(
    SQLHSTMT hstmt, SQLINTEGER fAttribute, SQLPOINTER rgbValue, SQLINTEGER /*cbValueMax*/)
{
    return call<DriverStatement>(
        hstmt, [&](DriverStatement& statement) { return statement.setAttribute(fAttribute, rgbValue); });
}

SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute, SQLPOINTER Value,
    SQLINTEGER /*BufferLength*/, SQLINTEGER* StringLength)
{
    return call<DriverStatement>(StatementHandle, [&](DriverStatement& statement) {
        if (StringLength)
            *StringLength = sizeof(SQLULEN);
        return statement.getAttribute(Attribute, Value);
    });
}

SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT hstmt, SQLINTEGER fAttribute, SQLPOINTER rgbValue,
    SQLINTEGER /*cbValueMax*/, SQLINTEGER* pcbValue)
{
    return call<DriverStatement>(hstmt, [&](DriverStatement& statement) {
        if (pcbValue)
            *pcbValue = sizeof(SQLULEN);
        return statement.getAttribute(fAttribute, rgbValue);
    });
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT StatementHandle, SQLUSMALLINT Option)
{
    if (Option == SQL_DROP)
        return release(SQL_HANDLE_STMT, StatementHandle);
    return call<DriverStatement>(StatementHandle, [&](DriverStatement& statement) {
        switch (Option) {
        case SQL_CLOSE:
            return statement.closeCursor(false);
        case SQL_UNBIND:
        case SQL_RESET_PARAMS:
            return SQLRETURN(SQL_SUCCESS); // nothing is ever bound
        default:
            statement.diagnostics().addStandard("HY092");
            return SQLRETURN(SQL_ERROR);
        }
    });
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT StatementHandle)
{
    return call<DriverStatement>(
        StatementHandle, [](DriverStatement& statement) { return statement.closeCursor(true); });
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT hstmt)
{
    return call<DriverStatement>(hstmt, [](DriverStatement& statement) { return statement.moreResults(); });
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT HandleType, SQLHANDLE Handle, SQLSMALLINT /*CompletionType*/)
{
    // Every statement the server runs is DDL, which commits on its own: nothing is pending.
    if (HandleType == SQL_HANDLE_ENV)
        return call<DriverEnvironment>(Handle, [](DriverEnvironment&) { return SQLRETURN(SQL_SUCCESS); });
    return call<DriverConnection>(Handle, [](DriverConnection&) { return SQLRETURN(SQL_SUCCESS); });
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

SQLRETURN SQL_API SQLColumns(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
    SQLSMALLINT, SQLCHAR*, SQLSMALLINT)
{
    return notSupported(StatementHandle);
}

SQLRETURN SQL_API SQLColumnsW(SQLHSTMT hstmt, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
    SQLSMALLINT, SQLWCHAR*, SQLSMALLINT)
{
    return notSupported(hstmt);
}

SQLRETURN SQL_API SQLTables(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
    SQLSMALLINT, SQLCHAR*, SQLSMALLINT)
{
    return notSupported(StatementHandle);
}

SQLRETURN SQL_API SQLTablesW(SQLHSTMT hstmt, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
    SQLSMALLINT, SQLWCHAR*, SQLSMALLINT)
{
    return notSupported(hstmt);
}

} // extern "C"
