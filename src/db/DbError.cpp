#include "db/DbError.h"

DbError::DbError(const QString& description, const QString& sqlState, int nativeCode)
    : std::runtime_error(description.toStdString()), m_description(description),
      m_sqlState(sqlState), m_nativeCode(nativeCode)
{
}
