-- One statement a line: the rows of ids 1 to 8. A name of blanks and commas gives no item, only
-- the separator after its row.
INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,m_GMTBiasMinute,m_DSTUse) VALUES ("Eastern Time, New York","-5","0","0")
INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,m_GMTBiasMinute,m_DSTUse) VALUES ("India, Kolkata","5","30","0")
INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,m_GMTBiasMinute,m_DSTUse) VALUES ("UTC","0","0","0")
INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,m_GMTBiasMinute,m_DSTUse) VALUES ("Sydney","10","0","0")
INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,m_GMTBiasMinute,m_DSTUse) VALUES ("Newfoundland","-3","-30","0")
INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,m_GMTBiasMinute,m_DSTUse) VALUES ("B","5","30","0")
INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,m_GMTBiasMinute,m_DSTUse) VALUES ("A,,B,","5","30","0")
INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,m_GMTBiasMinute,m_DSTUse) VALUES (" , ","1","0","0")
