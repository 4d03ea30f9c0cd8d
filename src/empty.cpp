// Placeholder translation unit for targets whose code lives in static parts.
