int spoolarAppPlaceholder = 0;
