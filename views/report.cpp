// The processing result report; filled in with the report builder.
