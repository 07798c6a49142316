-- One statement a line: a single row named Kept.
INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,m_GMTBiasMinute,m_DSTUse) VALUES ("Kept","1","0","0")
