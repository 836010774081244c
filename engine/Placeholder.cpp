int spoolarEnginePlaceholder = 0;
