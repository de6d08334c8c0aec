// CRecordset: the rows of one SELECT statement on a CDatabase, fetched a
// rowset at a time into buffers bound as text (one width per column), with
// the field-exchange functions that bind them, and the column and value
// read-outs (CODBCFieldInfo, CDBVariant).
#pragma once

#include <memory>
#include <vector>

#include "odbc_database.h"

class CRecordset;
class OdbcRowCache;

// The description of one result column.
struct CODBCFieldInfo {
  CString m_strName;
  SWORD m_nSQLType = 0;
  SQLULEN m_nPrecision = 0;  // the column size
  SWORD m_nScale = 0;
  SWORD m_nNullability = 0;
};

struct CLongBinary {
  std::vector<BYTE> m_data;
  DWORD m_dwDataLength = 0;
};

// One value read with GetFieldValue; its kind says which member holds it.
enum : DWORD {
  DBVT_NULL = 0,
  DBVT_BOOL,
  DBVT_UCHAR,
  DBVT_SHORT,
  DBVT_LONG,
  DBVT_SINGLE,
  DBVT_DOUBLE,
  DBVT_DATE,
  DBVT_STRING,
  DBVT_BINARY,
};
class CDBVariant {
 public:
  CDBVariant() = default;
  ~CDBVariant() { Clear(); }
  CDBVariant(const CDBVariant&) = delete;
  CDBVariant& operator=(const CDBVariant&) = delete;
  void Clear();

  DWORD m_dwType = DBVT_NULL;
  union {
    BOOL m_boolVal;
    unsigned char m_chVal;
    short m_iVal;
    long m_lVal;
    float m_fltVal;
    double m_dblVal;
    TIMESTAMP_STRUCT* m_pdate;
    CString* m_pstring;
    CLongBinary* m_pbinary;
  };
};

// What a recordset asks of its field-exchange function.
class CFieldExchange {
 public:
  enum Operation { BindFieldToColumn, Fixup, AllocMultiRowBuffer, DeleteMultiRowBuffer };
  CFieldExchange(Operation operation, CRecordset* recordset) : m_nOperation(operation), m_prs(recordset) {}
  Operation m_nOperation;
  CRecordset* m_prs;
};

// Binds the next column as text of at most maxLength - 1 characters to a
// single-row member.
void RFX_Text(CFieldExchange* pFX, LPCTSTR name, CString& value, int maxLength = 255, int columnType = SQL_VARCHAR);
// Binds the next column as text to a rowset: *values gets maxLength bytes
// per row and *lengths one length per row (SQL_NULL_DATA for a null, the
// full length of a truncated value), both allocated and freed here.
void RFX_Text_Bulk(CFieldExchange* pFX, LPCTSTR name, LPSTR* values, long** lengths, int maxLength);

class CRecordset : public CObject {
  DECLARE_DYNAMIC(CRecordset)
 public:
  enum OpenType { dynaset, snapshot, forwardOnly, dynamic };
  enum OpenOptions : DWORD {
    none = 0,
    readOnly = 0x0004,
    appendOnly = 0x0008,
    skipDeletedRecords = 0x0010,
    noDirtyFieldCheck = 0x0020,
    useBookmarks = 0x0100,
    useMultiRowFetch = 0x0200,
    userAllocMultiRowBuffers = 0x0400,
    executeDirect = 0x2000,
    // Ours: the rows are read from the driver as far as the moves ask and
    // kept by the recordset (the path of a driver that cannot scroll), so
    // a result opened to show its first rowset is not read whole.
    readAsNeeded = 0x10000,
  };

  explicit CRecordset(CDatabase* database = nullptr);
  // Closes the recordset. A derived class whose DoBulkFieldExchange frees
  // buffers closes itself in its own destructor (here it no longer runs).
  ~CRecordset() override;

  // Runs sql (a table name alone gives "SELECT * FROM" it; empty: the
  // default SQL) and fetches the first rowset. Failures throw CDBException.
  virtual BOOL Open(UINT openType = snapshot, LPCTSTR sql = nullptr, DWORD options = none);
  virtual void Close();
  // TRUE from a successful Open to Close (a catalogue's recordset may hold
  // its rows without a statement).
  BOOL IsOpen() const { return m_bOpen; }
  BOOL IsBOF() const { return m_bBOF; }
  BOOL IsEOF() const { return m_bEOF; }

  // Moves by fetch type: SQL_FETCH_NEXT, SQL_FETCH_PRIOR, SQL_FETCH_FIRST,
  // SQL_FETCH_LAST (rows ignored), SQL_FETCH_RELATIVE and
  // SQL_FETCH_ABSOLUTE (by rows). Past the end IsEOF, before the start
  // IsBOF, and no row is fetched.
  virtual void Move(long rows, WORD fetchType = SQL_FETCH_RELATIVE);
  void MoveNext() { Move(1, SQL_FETCH_NEXT); }
  void MovePrev() { Move(-1, SQL_FETCH_PRIOR); }
  void MoveFirst() { Move(1, SQL_FETCH_FIRST); }
  void MoveLast() { Move(-1, SQL_FETCH_LAST); }

  // Rows per fetch; takes effect at the next Open.
  void SetRowsetSize(DWORD rows) { m_dwRowsetSize = rows == 0 ? 1 : rows; }
  DWORD GetRowsetSize() const { return m_dwRowsetSize; }
  DWORD GetRowsFetched() const { return static_cast<DWORD>(m_dwRowsFetched); }
  // The status of row (from 1) of the current rowset (SQL_ROW_SUCCESS,
  // SQL_ROW_DELETED, SQL_ROW_NOROW, ...).
  WORD GetRowStatus(WORD row) const;

  short GetODBCFieldCount() const { return m_nResultCols; }
  void GetODBCFieldInfo(short index, CODBCFieldInfo& info) const;
  // The value of field index (from 0) of the current row (the first row of
  // the rowset) read as text, or by the column's type.
  void GetFieldValue(short index, CString& value);
  void GetFieldValue(short index, CDBVariant& value);

  // The statement executed, after the table-name completion.
  const CString& GetSQL() const { return m_strSQL; }
  // Throws for a return code that is neither success nor success with
  // information.
  void Check(RETCODE returnCode) const;
  // Fills e from this recordset's statement: the driver's diagnostics, or
  // the warnings of the rows this layer keeps itself.
  void BuildErrorString(CDBException& e) const;

  CDatabase* m_pDatabase;
  HSTMT m_hstmt;
  UINT m_nFields;      // columns bound by the field exchange
  DWORD m_dwOptions;
  UINT m_nOpenType;

 protected:
  virtual CString GetDefaultSQL() { return CString(); }
  virtual void DoFieldExchange(CFieldExchange* pFX) {}
  virtual void DoBulkFieldExchange(CFieldExchange* pFX) {}
  // A fetch returned SQL_SUCCESS_WITH_INFO or an error; the base accepts
  // warnings and throws for errors.
  virtual void CheckRowsetError(RETCODE returnCode);
  // Gives the recordset the statement handle it owns from now on, already
  // executed (catalogue calls); the bindings and the first fetch follow.
  void AdoptExecutedStatement(HSTMT statement);
  // Rows supplied by the caller instead of a statement (a staged source's
  // catalogue): each row one optional text per column, columns named by
  // columnNames.
  void AdoptRows(const std::vector<CString>& columnNames, const std::vector<std::vector<CString>>& rows);

 private:
  friend void RFX_Text(CFieldExchange*, LPCTSTR, CString&, int, int);
  friend void RFX_Text_Bulk(CFieldExchange*, LPCTSTR, LPSTR*, long**, int);
  // One bound column: width bytes per row in values, one length per row.
  struct BoundColumn {
    char* values;
    SQLLEN* lengths;
    int width;
    CString* single;  // the member of a single-row binding
    std::unique_ptr<char[]> ownValues;
    std::unique_ptr<SQLLEN[]> ownLengths;
  };
  void BindColumn(char* values, SQLLEN* lengths, int width, CString* single);
  void BindAndFetchFirst();
  void FixupSingleRowFields();
  void ReleaseStatement();
  BOOL Bulk() const { return (m_dwOptions & useMultiRowFetch) != 0; }
  void DescribeColumns();
  // The first row (from 1) of the rowset a move asks for; 0 or less:
  // before the start.
  long TargetOf(WORD fetchType, long rows);
  // The result's row count, found once (by the kept rows, or by stepping
  // the driver's cursor to the end).
  long RowCount();
  // Fetches the rowset starting at row first (from 1).
  RETCODE FetchRowset(long first);
  RETCODE CopyKeptRows(long first);
  void ReadCurrentValue(short index, SQLSMALLINT targetType, std::vector<BYTE>& bytes, BOOL& isNull);

  CString m_strSQL;
  DWORD m_dwRowsetSize;
  SQLULEN m_dwRowsFetched;
  std::vector<SQLUSMALLINT> m_rowStatus;
  std::vector<BoundColumn> m_bound;
  std::vector<CODBCFieldInfo> m_fields;
  short m_nResultCols;
  BOOL m_bOpen, m_bBOF, m_bEOF;
  // The current rowset's first row, from 1; 0 before the start. Every
  // move is made absolute from it: drivers differ in how they step back.
  long m_first;
  long m_count;  // the result's row count; -1 while unknown
  long m_driverFirst;  // where the driver's rowset starts: 0 before the first fetch, -1 unknown
  std::unique_ptr<OdbcRowCache> m_cache;  // rows kept here when the driver does not scroll
  CString m_strCacheWarnings;            // "State:01004" lines of the last fetch from the cache
};
