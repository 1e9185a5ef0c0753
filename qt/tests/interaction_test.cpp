int placeholderInteraction;
